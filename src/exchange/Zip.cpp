#include "exchange/Zip.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <zip.h>
#include <zlib.h>

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

constexpr quint64 kMax32 = 0xffffffffu;

// Little-endian fields of zip's records.
struct Record
{
    QByteArray bytes;
    Record& u16(quint64 v) { return put(v, 2); }
    Record& u32(quint64 v) { return put(v, 4); }
    Record& u64(quint64 v) { return put(v, 8); }
    Record& put(quint64 v, int size)
    {
        for (int i = 0; i < size; ++i)
            bytes.append(char((v >> (8 * i)) & 0xff));
        return *this;
    }
};

// Writes a zip file front to back, one entry at a time, and keeps only each entry's line of the
// directory: memory stays flat however many pictures go in. Sizes or offsets past 4 GB and more
// than 65,535 entries take the zip64 records.
class ZipStream
{
public:
    explicit ZipStream(QFile& out) : m_out(out)
    {
        const QDateTime now = QDateTime::currentDateTime();
        const QDate d = now.date();
        const QTime t = now.time();
        m_time = quint16((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
        m_date = quint16(((qMax(d.year(), 1980) - 1980) << 9) | (d.month() << 5) | d.day());
    }

    void addStored(const QString& name, const QByteArray& data)
    {
        const quint32 crc =
            quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
        if (quint64(data.size()) >= kMax32)
            throw FileError(QStringLiteral("%1 is too large for the archive").arg(name));
        const Entry e = entry(name, crc, quint64(data.size()), 0);
        write(localHeader(e, false));
        write(data);
    }

    // Packed as it is read; `going` hears the bytes read so far and stops it by answering false.
    bool addPacked(const QString& name, QIODevice& in, const std::function<bool(qint64)>& going)
    {
        const bool large = in.size() >= qint64(0xf0000000u); // deflate may add a little
        Entry e = entry(name, 0, 0, 8);
        write(localHeader(e, large));
        z_stream z{};
        if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw FileError(QStringLiteral("the packer could not start"));
        const std::unique_ptr<z_stream, int (*)(z_stream*)> ending(&z, deflateEnd);
        if (m_chunk.isEmpty()) { // once for every entry: thousands of small ones are common
            m_chunk.resize(1 << 18);
            m_packed.resize(1 << 18);
        }
        QByteArray& chunk = m_chunk;
        QByteArray& packed = m_packed;
        uLong crc = crc32(0, nullptr, 0);
        for (bool last = false; !last;) {
            const qint64 got = in.read(chunk.data(), chunk.size());
            if (got < 0)
                throw FileError(in.errorString());
            last = got == 0;
            crc = crc32(crc, reinterpret_cast<const Bytef*>(chunk.constData()), uInt(got));
            e.size += quint64(got);
            z.next_in = reinterpret_cast<Bytef*>(chunk.data());
            z.avail_in = uInt(got);
            do {
                z.next_out = reinterpret_cast<Bytef*>(packed.data());
                z.avail_out = uInt(packed.size());
                deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
                const qint64 made = packed.size() - qint64(z.avail_out);
                write(packed.constData(), made);
                e.packed += quint64(made);
            } while (z.avail_out == 0);
            if (going && !going(qint64(e.size)))
                return false;
        }
        e.crc = quint32(crc);
        if (!large && (e.size >= kMax32 || e.packed >= kMax32))
            throw FileError(QStringLiteral("%1 grew too large for the archive while it was written").arg(name));
        // The sizes are known only now: back to the header to put them in.
        const qint64 end = position();
        Record sizes;
        sizes.u32(e.crc);
        if (large)
            sizes.u32(kMax32).u32(kMax32);
        else
            sizes.u32(e.packed).u32(e.size);
        seekTo(qint64(e.offset) + 14);
        write(sizes.bytes);
        if (large) {
            seekTo(qint64(e.offset) + 30 + e.nameSize + 4);
            write(Record().u64(e.size).u64(e.packed).bytes);
        }
        seekTo(end);
        m_entries.back() = e;
        return true;
    }

    void finish()
    {
        const quint64 start = position();
        QByteArray directory;
        for (const Entry& e : m_entries) {
            Record extra;
            if (e.size >= kMax32)
                extra.u64(e.size);
            if (e.packed >= kMax32)
                extra.u64(e.packed);
            if (e.offset >= kMax32)
                extra.u64(e.offset);
            const bool wide = !extra.bytes.isEmpty();
            Record r;
            r.u32(0x02014b50).u16(0x0300 | (wide ? 45 : 20)).u16(wide ? 45 : 20).u16(0x0800).u16(e.method);
            r.u16(m_time).u16(m_date).u32(e.crc);
            r.u32(std::min(e.packed, kMax32)).u32(std::min(e.size, kMax32));
            r.u16(e.nameSize).u16(wide ? 4 + quint64(extra.bytes.size()) : 0).u16(0);
            r.u16(0).u16(0).u32(quint64(0100644) << 16).u32(std::min(e.offset, kMax32));
            r.bytes += name(e);
            if (wide)
                r.bytes += Record().u16(1).u16(quint64(extra.bytes.size())).bytes + extra.bytes;
            directory += r.bytes;
            if (directory.size() > (1 << 20)) {
                write(directory);
                directory.clear();
            }
        }
        write(directory);
        const quint64 end = position();
        const quint64 count = m_entries.size(), size = end - start;
        if (count >= 0xffff || size >= kMax32 || start >= kMax32) {
            Record wide;
            wide.u32(0x06064b50).u64(44).u16(0x0300 | 45).u16(45).u32(0).u32(0);
            wide.u64(count).u64(count).u64(size).u64(start);
            wide.u32(0x07064b50).u32(0).u64(end).u32(1);
            write(wide.bytes);
        }
        Record last;
        last.u32(0x06054b50).u16(0).u16(0).u16(std::min<quint64>(count, 0xffff)).u16(std::min<quint64>(count, 0xffff));
        last.u32(std::min(size, kMax32)).u32(std::min(start, kMax32)).u16(0);
        write(last.bytes);
        if (!m_out.flush())
            throw FileError(m_out.errorString());
    }

private:
    // A line of the directory to come; the names are kept one after the other in m_names.
    struct Entry
    {
        quint64 packed, size, offset;
        quint64 nameAt;
        quint32 crc;
        quint16 nameSize, method;
    };

    // The entry, begun here, in the directory.
    Entry entry(const QString& name, quint32 crc, quint64 size, quint16 method)
    {
        const QByteArray utf8 = name.toUtf8();
        if (utf8.size() > 0xffff)
            throw FileError(QStringLiteral("the name %1 is too long for the archive").arg(name));
        m_entries.push_back({size, size, position(), quint64(m_names.size()), crc, quint16(utf8.size()), method});
        m_names += utf8;
        return m_entries.back();
    }
    QByteArray name(const Entry& e) const { return m_names.mid(qsizetype(e.nameAt), e.nameSize); }

    QByteArray localHeader(const Entry& e, bool wide) const
    {
        Record r;
        r.u32(0x04034b50).u16(wide ? 45 : 20).u16(0x0800).u16(e.method).u16(m_time).u16(m_date).u32(e.crc);
        r.u32(wide ? kMax32 : e.packed).u32(wide ? kMax32 : e.size).u16(e.nameSize).u16(wide ? 20 : 0);
        r.bytes += name(e);
        if (wide)
            r.u16(1).u16(16).u64(0).u64(0);
        return r.bytes;
    }
    quint64 position() const { return quint64(m_out.pos()); }
    void seekTo(qint64 at)
    {
        if (!m_out.seek(at))
            throw FileError(m_out.errorString());
    }
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void write(const char* data, qint64 size)
    {
        if (m_out.write(data, size) != size)
            throw FileError(m_out.errorString());
    }

    QFile& m_out;
    std::vector<Entry> m_entries;
    QByteArray m_names;
    QByteArray m_chunk, m_packed; // what is read, and what it packs to
    quint16 m_time = 0, m_date = 0;
};

} // namespace

bool MakeZipFile(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries,
                 const NextEntry& fetched, qint64 fetchedCount, const std::function<bool(double)>& going,
                 const std::vector<std::pair<QString, QString>>& files)
{
    // Written beside the file under a name of its own; the file takes its name only when whole, so
    // a failure or Cancel leaves an existing file as it was.
    QTemporaryFile part(path + QStringLiteral(".XXXXXX"));
    if (!part.open())
        throw FileError(part.errorString());
    ZipStream zip(part);
    // The packed entries make one half of the work and the fetched ones the other, when there are any.
    qint64 bytes = 0, done = 0;
    for (const auto& [name, file] : files)
        bytes += QFileInfo(file).size();
    for (const auto& [name, data] : entries)
        bytes += data.size();
    const double packedShare = fetchedCount > 0 ? 0.5 : 1;
    const auto share = [&](qint64 more) { return packedShare * double(done + more) / double(qMax<qint64>(bytes, 1)); };
    for (const auto& [name, file] : files) {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            throw FileError(in.errorString());
        if (!zip.addPacked(name, in, [&](qint64 read) { return !going || going(share(read)); }))
            return false;
        done += in.size();
    }
    for (const auto& [name, data] : entries) {
        QBuffer in;
        in.setData(data);
        in.open(QIODevice::ReadOnly);
        if (!zip.addPacked(name, in, [&](qint64 read) { return !going || going(share(read)); }))
            return false;
        done += data.size();
    }
    QString name;
    QByteArray data;
    for (qint64 i = 0; fetched && fetched(name, data); ++i) {
        zip.addStored(name, data);
        if (going && !going(packedShare + (1 - packedShare) * double(i + 1) / double(fetchedCount)))
            return false;
    }
    zip.finish();
    if (going && !going(1))
        return false;
    // As a new file is made, or as the one replaced was.
    part.setPermissions(QFileInfo::exists(path)
                            ? QFile::permissions(path)
                            : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    part.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(part.fileName()).toStdString(), QFile::encodeName(path).toStdString(),
                            error);
    if (error)
        throw FileError(QString::fromLocal8Bit(error.message().c_str()));
    part.setAutoRemove(false);
    return true;
}

} // namespace exchange
