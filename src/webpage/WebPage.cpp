#include "webpage/WebPage.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QImage>
#include <QImageReader>

namespace webpage {

namespace {

// Flushed to the device whenever this much is waiting.
constexpr qsizetype kChunk = 256 * 1024;

QByteArray resource(const char* name)
{
    QFile f(QStringLiteral(":/webpage/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("the page's %s is missing from the program", name);
    return f.readAll();
}

QByteArray sha256(const QByteArray& text)
{
    return "'sha256-" + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toBase64() + '\'';
}

void appendEscape(QByteArray& out, char16_t c)
{
    static const char hex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += hex[(c >> shift) & 0xf];
}

// A JSON string that is safe inside <script>: no character of it can end the element or the line
// of a script, and a lone surrogate stays itself as an escape instead of becoming a replacement.
void appendString(QByteArray& out, const QString& s)
{
    out += '"';
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += char(c);
            } else if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == 0x7f) {
                appendEscape(out, c);
            } else {
                out += char(c);
            }
        } else if (c < 0x800) {
            out += char(0xc0 | (c >> 6));
            out += char(0x80 | (c & 0x3f));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
            const char32_t u = QChar::surrogateToUcs4(c, s[++i].unicode());
            out += char(0xf0 | (u >> 18));
            out += char(0x80 | ((u >> 12) & 0x3f));
            out += char(0x80 | ((u >> 6) & 0x3f));
            out += char(0x80 | (u & 0x3f));
        } else if (QChar::isSurrogate(c) || c == 0x2028 || c == 0x2029) {
            appendEscape(out, c);
        } else {
            out += char(0xe0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        }
    }
    out += '"';
}

void appendField(QByteArray& out, const char* key, const QString& value)
{
    if (value.isEmpty())
        return;
    out += ",\"";
    out += key;
    out += "\":";
    appendString(out, value);
}

// The thumbnail as a data address, scaled down when larger than the page shows; empty when it is
// not a JPEG or PNG that can be read.
QByteArray thumbnailAddress(const QByteArray& bytes)
{
    const bool jpeg = bytes.startsWith("\xff\xd8\xff");
    const bool png = bytes.startsWith("\x89PNG\r\n\x1a\n");
    if (!jpeg && !png)
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, jpeg ? "jpeg" : "png");
    const QSize size = reader.size();
    if (!size.isValid())
        return {};
    if (size.width() <= kThumbnailSide && size.height() <= kThumbnailSide)
        return (jpeg ? "data:image/jpeg;base64," : "data:image/png;base64,") + bytes.toBase64();
    reader.setScaledSize(size.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    QByteArray scaled;
    QBuffer into(&scaled);
    into.open(QIODevice::WriteOnly);
    const bool keepPng = png && image.hasAlphaChannel();
    if (!image.save(&into, keepPng ? "png" : "jpeg", keepPng ? -1 : 85))
        return {};
    return (keepPng ? "data:image/png;base64," : "data:image/jpeg;base64,") + scaled.toBase64();
}

// Credit and cast names recur from movie to movie: each is written once, in the "N" of the first
// movie naming it, and by its number after that. Past kMaxNames the rest are written out in place,
// which keeps the writer's memory bounded however many names a collection has.
constexpr qsizetype kMaxNames = 1 << 18;

class Names
{
public:
    // A name not written yet goes in the "N" of the movie being written.
    void add(const QString& name)
    {
        if (name.isEmpty() || m_numbers.contains(name) || m_numbers.size() >= kMaxNames)
            return;
        m_numbers.insert(name, int(m_numbers.size()));
        m_new << name;
    }
    void appendNew(QByteArray& out)
    {
        if (m_new.isEmpty())
            return;
        out += ",\"N\":[";
        for (qsizetype i = 0; i < m_new.size(); ++i) {
            if (i)
                out += ',';
            appendString(out, m_new[i]);
        }
        out += ']';
        m_new.clear();
    }
    void appendName(QByteArray& out, const QString& name) const
    {
        const auto it = m_numbers.constFind(name);
        if (it == m_numbers.cend())
            appendString(out, name);
        else
            out += QByteArray::number(*it);
    }

private:
    QHash<QString, int> m_numbers;
    QStringList m_new;
};

void appendMovie(QByteArray& out, Names& names, const MovieRecord& m)
{
    for (const QStringList& credit : m.credits)
        for (const QString& name : credit)
            names.add(name);
    for (const CastMember& member : m.cast)
        names.add(member.name);
    out += "{\"t\":";
    appendString(out, m.title);
    names.appendNew(out);
    // A credit is null when empty, a name, or a list of names.
    int credits = kCreditCount;
    while (credits > 0 && m.credits[credits - 1].isEmpty())
        --credits;
    if (credits > 0) {
        out += ",\"c\":[";
        for (int i = 0; i < credits; ++i) {
            const QStringList& credit = m.credits[i];
            if (i)
                out += ',';
            if (credit.isEmpty()) {
                out += "null";
            } else if (credit.size() == 1) {
                names.appendName(out, credit.front());
            } else {
                out += '[';
                for (qsizetype n = 0; n < credit.size(); ++n) {
                    if (n)
                        out += ',';
                    names.appendName(out, credit[n]);
                }
                out += ']';
            }
        }
        out += ']';
    }
    appendField(out, "y", m.year);
    appendField(out, "n", m.length);
    appendField(out, "g", m.grade);
    appendField(out, "r", m.rating);
    if (m.widescreen)
        out += ",\"ws\":1";
    // A cast member is a name, or [name, character].
    if (!m.cast.empty()) {
        out += ",\"a\":[";
        for (std::size_t i = 0; i < m.cast.size(); ++i) {
            if (i)
                out += ',';
            if (m.cast[i].character.isEmpty()) {
                names.appendName(out, m.cast[i].name);
            } else {
                out += '[';
                names.appendName(out, m.cast[i].name);
                out += ',';
                appendString(out, m.cast[i].character);
                out += ']';
            }
        }
        out += ']';
    }
    appendField(out, "p", m.plot);
    appendField(out, "pr", m.personalRating);
    if (!m.loan.borrower.isEmpty()) {
        out += ",\"b\":";
        appendString(out, m.loan.borrower);
        appendField(out, "lent", m.loan.lent.toString(Qt::ISODate));
        appendField(out, "due", m.loan.due.toString(Qt::ISODate));
    }
    if (!m.thumbnail.isEmpty()) {
        const QByteArray address = thumbnailAddress(m.thumbnail);
        if (!address.isEmpty())
            out += ",\"i\":\"" + address + '"';
    }
    out += '}';
}

} // namespace

QString WritePage(QIODevice& out, const QString& collection, const QDate& written, const NextMovie& next)
{
    const QByteArray style = resource("page.css");
    const QByteArray script = resource("page.js");
    const QByteArray page = resource("page.html");
    const qsizetype data = page.indexOf("@DATA@");
    // The page asks for nothing outside itself; only its own style and script run.
    const QByteArray policy = "default-src 'none'; script-src " + sha256(script) + "; style-src " + sha256(style) +
                              "; img-src data:; base-uri 'none'; form-action 'none'";
    QByteArray buffer = page.left(data).replace("@POLICY@", policy).replace("@STYLE@", style);
    buffer.reserve(kChunk + 64 * 1024);
    const auto flush = [&] {
        const bool ok = out.write(buffer) == buffer.size();
        buffer.clear();
        return ok;
    };
    const auto failed = [&] {
        const QString why = out.errorString();
        return why.isEmpty() ? QStringLiteral("The page could not be written.") : why;
    };
    buffer += "{\"title\":";
    appendString(buffer, collection);
    appendField(buffer, "written", written.toString(Qt::ISODate));
    buffer += ",\"movies\":[";
    MovieRecord movie;
    Names names;
    for (bool first = true; next(movie); first = false) {
        if (!first)
            buffer += ",\n";
        appendMovie(buffer, names, movie);
        movie = MovieRecord();
        if (buffer.size() >= kChunk && !flush())
            return failed();
    }
    buffer += "]}";
    buffer += page.mid(data + 6).replace("@SCRIPT@", script);
    if (!flush())
        return failed();
    return {};
}

} // namespace webpage
