#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace cloud {

QString decodeGbk(std::string_view bytes) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return QString::fromLatin1(bytes.data(), bytes.size());
    std::string out;
    char buf[4096];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<size_t>(o - buf));
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        out.append("\xEF\xBF\xBD");  // EILSEQ or a sequence cut at the end: skip one byte
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

QString decodeAnswer(std::string_view bytes, const QString& charset) {
    if (charset == QLatin1String("GBK")) return decodeGbk(bytes);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace cloud
