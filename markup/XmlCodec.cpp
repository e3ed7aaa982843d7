#include "markup/XmlCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <iconv.h>
#include <langinfo.h>
#include <algorithm>
#include <cerrno>

namespace {

// Owns one iconv conversion descriptor.
class Iconv {
public:
    // Names with "/" are refused: iconv would read them as conversion suffixes.
    Iconv(const QString& to, const QString& from)
        : m_cd(to.contains(u'/') || from.contains(u'/')
                   ? reinterpret_cast<iconv_t>(-1)
                   : iconv_open(to.toUpper().toLatin1().constData(),
                                from.toUpper().toLatin1().constData())) {}
    ~Iconv() {
        if (ok()) iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns 0, or the errno that stopped it.
    int convert(const char*& in, size_t& inLeft, QByteArray& out) {
        while (true) {
            char buf[4096];
            char* o = buf;
            size_t oLeft = sizeof buf;
            char* i = const_cast<char*>(in);
            const size_t r = in ? iconv(m_cd, &i, &inLeft, &o, &oLeft)
                                : iconv(m_cd, nullptr, nullptr, &o, &oLeft);
            const int err = r == static_cast<size_t>(-1) ? errno : 0;
            if (in) in = i;
            out.append(buf, static_cast<qsizetype>(o - buf));
            if (err != E2BIG) return err;
        }
    }

    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

QString fromUtf16Le(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        out += QChar(static_cast<char16_t>(static_cast<uchar>(bytes[i]) |
                                           static_cast<uchar>(bytes[i + 1]) << 8));
    return out;
}

QByteArray toUtf16Le(QStringView text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        out += static_cast<char>(c.unicode() & 0xFF);
        out += static_cast<char>(c.unicode() >> 8);
    }
    return out;
}

QString iconvDecode(Iconv& cd, const QByteArray& bytes, bool* lossless) {
    QByteArray utf16;
    const char* in = bytes.constData();
    size_t left = static_cast<size_t>(bytes.size());
    while (cd.convert(in, left, utf16) != 0) {
        // An undecodable or cut sequence: one replacement, then go on after its first byte.
        utf16 += toUtf16Le(u"\uFFFD");
        if (lossless) *lossless = false;
        if (left == 0) break;
        ++in;
        --left;
        cd.reset();
    }
    const char* none = nullptr;
    size_t zero = 0;
    cd.convert(none, zero, utf16);
    return fromUtf16Le(utf16);
}

}  // namespace

bool XmlCodec::isUtf8(const QString& charset) {
    return charset.compare(u"UTF-8", Qt::CaseInsensitive) == 0 ||
           charset.compare(u"UTF8", Qt::CaseInsensitive) == 0;
}

bool XmlCodec::isWide(const QString& charset) {
    const QString up = charset.toUpper();
    return up.startsWith(u"UTF-16") || up.startsWith(u"UTF16") || up.startsWith(u"UTF-32") ||
           up.startsWith(u"UTF32") || up.startsWith(u"UCS-2") || up.startsWith(u"UCS2") ||
           up.startsWith(u"UCS-4") || up.startsWith(u"UCS4") || up == u"UNICODE" ||
           up.startsWith(u"UNICODELITTLE") || up.startsWith(u"UNICODEBIG") || up == u"WCHAR_T";
}

bool XmlCodec::isKnown(const QString& charset) {
    if (isUtf8(charset)) return true;
    if (charset.isEmpty()) return false;
    return Iconv(QStringLiteral("UTF-16LE"), charset).ok() &&
           Iconv(charset, QStringLiteral("UTF-16LE")).ok();
}

bool XmlCodec::isValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

QString XmlCodec::decode(const QByteArray& bytes, const QString& charset, bool* lossless) {
    if (lossless) *lossless = true;
    if (isUtf8(charset)) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                         QStringDecoder::Flag::ConvertInitialBom);
        QString out = decoder.decode(bytes);
        if (lossless && decoder.hasError()) *lossless = false;
        return out;
    }
    Iconv cd(QStringLiteral("UTF-16LE"), charset);
    if (!cd.ok()) {
        if (lossless) *lossless = false;
        return decode(bytes, QStringLiteral("UTF-8"));
    }
    return iconvDecode(cd, bytes, lossless);
}

QByteArray XmlCodec::encode(QStringView text, const QString& charset) {
    if (isUtf8(charset)) return text.toUtf8();
    Iconv cd(charset, QStringLiteral("UTF-16LE"));
    if (!cd.ok()) return text.toUtf8();
    QByteArray question;
    {
        const QByteArray q = toUtf16Le(u"?");
        const char* in = q.constData();
        size_t left = static_cast<size_t>(q.size());
        if (cd.convert(in, left, question) != 0 || question.isEmpty()) question = "?";
        cd.reset();
    }
    const QByteArray utf16 = toUtf16Le(text);
    QByteArray out;
    out.reserve(text.size());
    const char* in = utf16.constData();
    size_t left = static_cast<size_t>(utf16.size());
    while (left > 0) {
        if (cd.convert(in, left, out) == 0) break;
        // Skip the unit (a whole surrogate pair where there is one) that the charset cannot hold.
        const char16_t unit =
            static_cast<char16_t>(static_cast<uchar>(in[0]) | static_cast<uchar>(in[1]) << 8);
        size_t skip = 2;
        if (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) {
            const char16_t low =
                static_cast<char16_t>(static_cast<uchar>(in[2]) | static_cast<uchar>(in[3]) << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) skip = 4;
        }
        skip = std::min(skip, left);
        in += skip;
        left -= skip;
        out += question;
    }
    const char* none = nullptr;
    size_t zero = 0;
    cd.convert(none, zero, out);
    return out;
}

QString XmlCodec::systemAnsiCharset() {
    const QString locale = QString::fromLatin1(nl_langinfo(CODESET));
    if (locale.isEmpty() || isUtf8(locale) || locale == u"ANSI_X3.4-1968" || !isKnown(locale))
        return QStringLiteral("WINDOWS-1252");
    return locale;
}
