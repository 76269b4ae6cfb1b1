#include "exchange/Zip.h"

#include <memory>
#include <zip.h>

namespace exchange {

namespace {

struct ArchiveCloser
{
    void operator()(zip_t* z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct FileCloser
{
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

QString errorText(zip_error_t* error)
{
    return QString::fromUtf8(zip_error_strerror(error));
}

Archive open(const QByteArray& bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    if (!source) {
        const QString why = errorText(&error);
        zip_error_fini(&error);
        throw ZipError(why);
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive) {
        zip_source_free(source);
        const QString why = QStringLiteral("not a readable zip archive (%1)").arg(errorText(&error));
        zip_error_fini(&error);
        throw ZipError(why);
    }
    zip_error_fini(&error);
    return Archive(archive);
}

} // namespace

bool IsZip(const QByteArray& bytes)
{
    return bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06");
}

QStringList ZipEntries(const QByteArray& zip)
{
    const Archive archive = open(zip);
    QStringList names;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* name = zip_get_name(archive.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS))
            names << QString::fromUtf8(name);
    return names;
}

QByteArray ZipEntry(const QByteArray& zip, const QString& name, qint64 maxSize)
{
    const Archive archive = open(zip);
    const zip_int64_t index = zip_name_locate(archive.get(), name.toUtf8().constData(), 0);
    if (index < 0)
        throw ZipError(QStringLiteral("the archive holds no \"%1\"").arg(name));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive.get(), zip_uint64_t(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        throw ZipError(QStringLiteral("\"%1\" in the archive cannot be read").arg(name));
    const auto tooBig = [&] {
        return ZipError(QStringLiteral("\"%1\" unpacks to more than %2 MB").arg(name).arg(maxSize >> 20));
    };
    if (stat.size > zip_uint64_t(maxSize))
        throw tooBig();
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(archive.get(), zip_uint64_t(index), 0));
    if (!file)
        throw ZipError(QStringLiteral("\"%1\" in the archive cannot be opened").arg(name));
    // The directory's size may lie: the cap holds while unpacking too.
    QByteArray out;
    char buffer[65536];
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), buffer, sizeof buffer);
        if (got < 0)
            throw ZipError(QStringLiteral("\"%1\" in the archive is damaged").arg(name));
        if (got == 0)
            break;
        if (out.size() + got > maxSize)
            throw tooBig();
        out.append(buffer, qsizetype(got));
    }
    return out;
}

QByteArray MakeZip(const std::vector<std::pair<QString, QByteArray>>& entries, const std::function<bool()>& going)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!target)
        throw ZipError(errorText(&error));
    zip_source_keep(target); // read back after the archive closes
    const auto freeTarget = std::unique_ptr<zip_source_t, void (*)(zip_source_t*)>(target, zip_source_free);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    if (!archive)
        throw ZipError(errorText(&error));
    for (const auto& [name, data] : entries) {
        zip_source_t* content = zip_source_buffer(archive, data.constData(), zip_uint64_t(data.size()), 0);
        if (!content || zip_file_add(archive, name.toUtf8().constData(), content, ZIP_FL_ENC_UTF_8) < 0) {
            if (content)
                zip_source_free(content);
            const QString why = QString::fromUtf8(zip_strerror(archive));
            zip_discard(archive);
            throw ZipError(why);
        }
    }
    struct Watch
    {
        const std::function<bool()>& going;
        bool cancelled = false;
    } watch{going};
    if (going)
        zip_register_cancel_callback_with_state(
            archive,
            [](zip_t*, void* w) {
                auto* watch = static_cast<Watch*>(w);
                watch->cancelled = !watch->going();
                return watch->cancelled ? 1 : 0;
            },
            nullptr, &watch);
    if (zip_close(archive) != 0) {
        if (watch.cancelled) {
            zip_discard(archive);
            return {};
        }
        const QString why = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        throw ZipError(why);
    }
    QByteArray out;
    zip_stat_t stat;
    if (zip_source_stat(target, &stat) != 0 || zip_source_open(target) != 0)
        throw ZipError(QStringLiteral("the archive cannot be read back"));
    out.resize(qsizetype(stat.size));
    const zip_int64_t got = zip_source_read(target, out.data(), stat.size);
    zip_source_close(target);
    if (got != zip_int64_t(stat.size))
        throw ZipError(QStringLiteral("the archive cannot be read back"));
    return out;
}

} // namespace exchange
