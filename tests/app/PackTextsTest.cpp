// Every text of every built language pack fits what SetText keeps, so none is cut mid-word.
#include "app/QuilletApp.h"
#include "lang/StringTable.h"
#include "lang/TextIds.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QString>

#include <dlfcn.h>

namespace {

TEST(PackTextsTest, EveryTextFitsWhatSetTextKeeps) {
    const QDir packs(QStringLiteral(OSTRELY_BIN_DIR "/Qvlang"));
    const QStringList files = packs.entryList({"*.so"}, QDir::Files);
    ASSERT_GE(files.size(), 4) << "ar, en_US, uk_UA and zh_CN";
    for (const QString& file : files) {
        void* handle = ::dlopen(packs.filePath(file).toLocal8Bit().constData(), RTLD_NOW);
        ASSERT_NE(handle, nullptr) << file.toStdString();
        const auto* table =
            static_cast<const OstrelyStringTable*>(::dlsym(handle, kOstrelyStringTableSymbol));
        ASSERT_NE(table, nullptr) << file.toStdString();
        for (int i = 0; i < table->count; ++i) {
            const OstrelyStringEntry& e = table->entries[i];
            EXPECT_LE(e.length, CQuilletApp::kTextUnits)
                << file.toStdString() << " text " << e.id << ": "
                << QString::fromUtf16(e.text, e.length).toStdString();
        }
        ::dlclose(handle);
    }
}

// A screen reader names the picture buttons, sliders and rows with these: none may be missing or
// empty in any pack, or the control is unnamed in that language.
TEST(PackTextsTest, EveryPackNamesTheControlsThatShowNoText) {
    const int ids[] = {text::kToolbar,     text::kPictureList, text::kKeyCapture, text::kKeyShare,
                       text::kPen,         text::kRedPen,      text::kBlackPen,   text::kBluePen,
                       text::kEraser,      text::kClearDrawing, text::kPicture,   text::kKeyLive,
                       text::kMenuCalibration, text::kContrast, text::kBrightness, text::kHue,
                       text::kSaturation,  text::kSharpness,   text::kGamma,      text::kExposure,
                       text::kPdfFilter};
    const QDir packs(QStringLiteral(OSTRELY_BIN_DIR "/Qvlang"));
    for (const QString& file : packs.entryList({"*.so"}, QDir::Files)) {
        void* handle = ::dlopen(packs.filePath(file).toLocal8Bit().constData(), RTLD_NOW);
        ASSERT_NE(handle, nullptr) << file.toStdString();
        const auto* table =
            static_cast<const OstrelyStringTable*>(::dlsym(handle, kOstrelyStringTableSymbol));
        ASSERT_NE(table, nullptr) << file.toStdString();
        for (int id : ids) {
            int length = -1;
            for (int i = 0; i < table->count; ++i)
                if (table->entries[i].id == id) length = table->entries[i].length;
            EXPECT_GT(length, 0) << file.toStdString() << " has no text " << id;
        }
        ::dlclose(handle);
    }
}

}  // namespace
