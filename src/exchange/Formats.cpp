#include "exchange/Formats.h"

#include "shell/Wording.h"

#include <QHash>
#include <QXmlStreamReader>
#include <algorithm>
#include <utility>

namespace exchange {

namespace {

// The root element's name and its "type" attribute.
std::pair<QString, QString> rootOf(const QByteArray& xml)
{
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::DTD:
            RefuseEntities(r);
            break;
        case QXmlStreamReader::StartElement:
            return {r.name().toString(), r.attributes().value(QLatin1String("type")).toString()};
        default:
            break;
        }
    }
    return {};
}

bool isControl(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b < 0x20 && c != '\t' && c != '\n' && c != '\r') || b == 0x7F;
}

// Text holds none or a few; a picture or a program's data about one byte in nine.
void refuseBinary(const QByteArray& bytes)
{
    if (std::count_if(bytes.begin(), bytes.end(), isControl) * 16 > bytes.size())
        throw FileError(QStringLiteral("the file holds binary data, not text"));
}

} // namespace

QByteArray RemoveControls(const QByteArray& bytes, QStringList& notes)
{
    refuseBinary(bytes);
    if (std::none_of(bytes.begin(), bytes.end(), isControl))
        return bytes;
    QByteArray out;
    out.reserve(bytes.size());
    int line = 1, removed = 0;
    const auto tell = [&] {
        if (removed)
            notes << QStringLiteral("line %1: %2 removed")
                         .arg(line)
                         .arg(shell::Counted(removed, "control character", "control characters"));
        removed = 0;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (isControl(c)) {
            ++removed;
            continue;
        }
        out += c;
        if (c == '\n' || (c == '\r' && (i + 1 == bytes.size() || bytes.at(i + 1) != '\n'))) {
            tell();
            ++line;
        }
    }
    tell();
    return out;
}

Kind DetectKind(const QByteArray& bytes)
{
    if (bytes.trimmed().isEmpty())
        throw FileError(QStringLiteral("the file is empty"));
    refuseBinary(bytes);
    QByteArray start = bytes.left(8192).trimmed();
    if (start.startsWith("\xEF\xBB\xBF"))
        start = start.mid(3).trimmed();
    if (start.startsWith("<?xml") || start.startsWith("<!DOCTYPE") || start.startsWith("<tellico") ||
        start.startsWith("<collection")) {
        const auto [root, type] = rootOf(bytes);
        if (root == QLatin1String("tellico"))
            return Kind::TellicoXml;
        if (root == QLatin1String("collection") && type == QLatin1String("GCfilms"))
            return Kind::GcstarXml;
        if (root == QLatin1String("collection"))
            throw FileError(QStringLiteral("the GCstar file holds a collection of %1, not GCfilms")
                                .arg(type.isEmpty() ? QStringLiteral("an unknown kind") : type));
        throw FileError(QStringLiteral("the XML file is neither a Tellico nor a GCstar collection"));
    }
    return Kind::Csv;
}

void RefuseEntities(const QXmlStreamReader& r)
{
    if (!r.entityDeclarations().isEmpty() || r.text().contains(QLatin1String("<!ENTITY")))
        throw FileError(QStringLiteral("the file declares XML entities, which this program does not read"));
}

void ThrowIfBad(const QXmlStreamReader& r)
{
    if (r.hasError())
        throw FileError(QStringLiteral("the XML is damaged at line %1: %2").arg(r.lineNumber()).arg(r.errorString()));
}

QString FirstOf(const QStringList& values, const QString& what, const Movie& movie, QStringList& notes)
{
    QStringList rest;
    for (const QString& v : values)
        if (!v.trimmed().isEmpty())
            rest << v.trimmed();
    if (rest.isEmpty())
        return QString();
    const QString first = rest.takeFirst();
    if (!rest.isEmpty())
        notes << QStringLiteral("line %1, %2: also %3 %4 (not kept)")
                     .arg(movie.line)
                     .arg(movie.title, what, rest.join(QStringLiteral(", ")));
    return first;
}

QString GradeOfRating(const QString& rating)
{
    bool ok = false;
    const int r = rating.trimmed().toInt(&ok);
    return ok && r >= 1 && r <= 5 ? QString(QLatin1Char(kGrades[r - 1])) : QString();
}

void JoinRepeatedActors(std::vector<catalog::CastMember>& cast)
{
    QHash<std::pair<QString, QString>, std::size_t> place; // each actor's place among those kept
    std::vector<catalog::CastMember> kept;
    for (catalog::CastMember& member : cast) {
        const auto found = place.constFind({member.last, member.first});
        if (found == place.constEnd()) {
            place.insert({member.last, member.first}, kept.size());
            kept.push_back(std::move(member));
            continue;
        }
        QString& character = kept[*found].character;
        const QString role = member.character.trimmed();
        if (!role.isEmpty() && !character.split(QStringLiteral(" / ")).contains(role))
            character += (character.isEmpty() ? QString() : QStringLiteral(" / ")) + role;
    }
    cast = std::move(kept);
}

} // namespace exchange
