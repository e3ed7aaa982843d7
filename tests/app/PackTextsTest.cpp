// Every text of every built language pack fits what SetText keeps, so none is cut mid-word.
#include "app/QuilletApp.h"
#include "lang/StringTable.h"

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

}  // namespace
