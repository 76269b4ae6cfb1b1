#include "exchange/Zip.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstring>
#include <exception>
#include <filesystem>
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

Archive openFile(const QString& path)
{
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString why = QStringLiteral("not a readable zip archive (%1)").arg(errorText(&error));
        zip_error_fini(&error);
        throw FileError(why);
    }
    return Archive(archive);
}

} // namespace

bool IsZip(const QByteArray& bytes)
{
    return bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06");
}

struct ZipReader::Archive
{
    exchange::Archive zip;
};

ZipReader::ZipReader(const QString& path) : m_archive(new Archive{openFile(path)}) {}

ZipReader::~ZipReader() = default;

bool ZipReader::contains(const QString& name) const
{
    return zip_name_locate(m_archive->zip.get(), name.toUtf8().constData(), 0) >= 0;
}

qint64 ZipReader::packedSize(const QString& name) const
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    const bool known =
        zip_stat(m_archive->zip.get(), name.toUtf8().constData(), 0, &stat) == 0 && (stat.valid & ZIP_STAT_COMP_SIZE);
    return known ? qint64(stat.comp_size) : 0;
}

QByteArray ZipReader::entry(const QString& name, qint64 maxSize, qint64* unpacked) const
{
    qint64 ignored = 0;
    qint64& count = unpacked ? *unpacked : ignored;
    count = 0;
    zip_t* archive = m_archive->zip.get();
    const zip_int64_t index = zip_name_locate(archive, name.toUtf8().constData(), 0);
    if (index < 0)
        throw FileError(QStringLiteral("the archive holds no \"%1\"").arg(name));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, zip_uint64_t(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        throw FileError(QStringLiteral("\"%1\" in the archive cannot be read").arg(name));
    const auto tooBig = [&] {
        return FileError(QStringLiteral("\"%1\" unpacks to more than %2 MB").arg(name).arg(maxSize >> 20));
    };
    if (stat.size > zip_uint64_t(maxSize))
        throw tooBig();
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(archive, zip_uint64_t(index), 0));
    if (!file)
        throw FileError(QStringLiteral("\"%1\" in the archive cannot be opened").arg(name));
    // The directory's size may lie: the cap holds while unpacking too.
    QByteArray out;
    out.reserve(qsizetype(stat.size));
    char buffer[65536];
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), buffer, sizeof buffer);
        if (got < 0)
            throw FileError(QStringLiteral("\"%1\" in the archive is damaged").arg(name));
        if (got == 0)
            break;
        count += got;
        if (out.size() + got > maxSize)
            throw tooBig();
        out.append(buffer, qsizetype(got));
    }
    return out;
}

namespace {

// An entry whose content is fetched when libzip opens it and let go when it closes it.
struct Fetched
{
    std::function<QByteArray()> fetch;
    QByteArray data;
    qsizetype at = 0;
    zip_error_t error;
    std::exception_ptr* failure; // writeArchive's, rethrown once libzip has given up
};

zip_int64_t fetchedSource(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* f = static_cast<Fetched*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        // An exception must not cross libzip's C frames.
        try {
            f->data = f->fetch();
        } catch (...) {
            *f->failure = std::current_exception();
            zip_error_set(&f->error, ZIP_ER_READ, 0);
            return -1;
        }
        f->at = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const qsizetype n = qMin(qsizetype(length), f->data.size() - f->at);
        memcpy(data, f->data.constData() + f->at, size_t(n));
        f->at += n;
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        f->data.clear();
        return 0;
    case ZIP_SOURCE_STAT:
        zip_stat_init(static_cast<zip_stat_t*>(data));
        return sizeof(zip_stat_t);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&f->error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&f->error);
        delete f;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&f->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// Adds the entries to an archive opened for writing and closes it, which writes it; on any failure
// the archive is discarded. False when `going` cancelled it.
bool writeArchive(zip_t* archive, const std::vector<std::pair<QString, QByteArray>>& entries,
                  const FetchedEntries& fetched, const std::function<bool(double)>& going,
                  const std::vector<std::pair<QString, QString>>& files)
{
    for (const auto& [name, file] : files) {
        zip_source_t* content = zip_source_file(archive, QFile::encodeName(file).constData(), 0, -1);
        if (!content || zip_file_add(archive, name.toUtf8().constData(), content, ZIP_FL_ENC_UTF_8) < 0) {
            if (content)
                zip_source_free(content);
            const QString why = QString::fromUtf8(zip_strerror(archive));
            zip_discard(archive);
            throw FileError(why);
        }
    }
    for (const auto& [name, data] : entries) {
        zip_source_t* content = zip_source_buffer(archive, data.constData(), zip_uint64_t(data.size()), 0);
        if (!content || zip_file_add(archive, name.toUtf8().constData(), content, ZIP_FL_ENC_UTF_8) < 0) {
            if (content)
                zip_source_free(content);
            const QString why = QString::fromUtf8(zip_strerror(archive));
            zip_discard(archive);
            throw FileError(why);
        }
    }
    std::exception_ptr failure;
    for (const auto& [name, fetch] : fetched) {
        auto* state = new Fetched{fetch, {}, 0, {}, &failure};
        zip_error_init(&state->error);
        zip_source_t* content = zip_source_function(archive, fetchedSource, state);
        const zip_int64_t index =
            content ? zip_file_add(archive, name.toUtf8().constData(), content, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0) < 0) {
            if (content && index < 0)
                zip_source_free(content);
            else if (!content)
                delete state;
            const QString why = QString::fromUtf8(zip_strerror(archive));
            zip_discard(archive);
            throw FileError(why);
        }
    }
    struct Watch
    {
        const std::function<bool(double)>& going;
        double share = 0;
        bool cancelled = false;
    } watch{going};
    if (going) {
        zip_register_cancel_callback_with_state(
            archive,
            [](zip_t*, void* w) {
                auto* watch = static_cast<Watch*>(w);
                watch->cancelled = !watch->going(watch->share);
                return watch->cancelled ? 1 : 0;
            },
            nullptr, &watch);
        zip_register_progress_callback_with_state(
            archive, 0.001, [](zip_t*, double share, void* w) { static_cast<Watch*>(w)->share = share; }, nullptr,
            &watch);
    }
    if (zip_close(archive) != 0) {
        if (watch.cancelled) {
            zip_discard(archive);
            return false;
        }
        const QString why = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        if (failure)
            std::rethrow_exception(failure);
        throw FileError(why);
    }
    return !watch.cancelled; // past the last entry libzip writes on regardless
}

} // namespace

bool MakeZipFile(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries,
                 const FetchedEntries& fetched, const std::function<bool(double)>& going,
                 const std::vector<std::pair<QString, QString>>& files)
{
    // libzip no longer hears Cancel once the last entry is written, and then renames its work over
    // the name it was given. So it is given a name of its own beside the file, and the file takes
    // its name only after a last look at `going`; until then an existing file stays as it was.
    QTemporaryFile part(path + QStringLiteral(".XXXXXX"));
    if (!part.open())
        throw FileError(part.errorString());
    part.close();
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(part.fileName()).constData(), ZIP_TRUNCATE, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString why = errorText(&error);
        zip_error_fini(&error);
        throw FileError(why);
    }
    if (!writeArchive(archive, entries, fetched, going, files) || (going && !going(1)))
        return false;
    // As a new file is made, or as the one replaced was.
    QFile::setPermissions(part.fileName(), QFileInfo::exists(path) ? QFile::permissions(path)
                                                                   : QFile::ReadOwner | QFile::WriteOwner |
                                                                         QFile::ReadGroup | QFile::ReadOther);
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(part.fileName()).toStdString(), QFile::encodeName(path).toStdString(),
                            error);
    if (error)
        throw FileError(QString::fromLocal8Bit(error.message().c_str()));
    part.setAutoRemove(false);
    return true;
}

} // namespace exchange
