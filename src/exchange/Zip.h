#pragma once

#include "exchange/FileError.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace exchange {

// Zip archive files through libzip. Names are paths inside the archive ("tellico.xml", pictures
// under "images/").

// Whether the bytes begin as a zip archive does.
bool IsZip(const QByteArray& bytes);

// The entries of an archive file. Only the directory and the entries asked for are read, however
// large the file. An entry whose size, as the directory gives it or as it unpacks, passes maxSize (a
// zip bomb) is refused, and so is a missing one.
class ZipReader
{
public:
    explicit ZipReader(const QString& path); // throws FileError
    ~ZipReader();
    // Throws FileError. `unpacked`, when given, is told how many bytes were unpacked, whether the
    // entry is returned or refused.
    QByteArray entry(const QString& name, qint64 maxSize, qint64* unpacked = nullptr) const;
    bool contains(const QString& name) const;
    // The bytes the entry takes in the archive, packed; 0 when it is not there.
    qint64 packedSize(const QString& name) const;

private:
    struct Archive;
    std::unique_ptr<Archive> m_archive;
};

// An archive file of the given entries, compressed, and of entries fetched only as they are written,
// one at a time, and stored unpacked (pictures gain nothing from packing). Written front to back,
// beside the file, and renamed over it at the end, so a failure or Cancel leaves no file; memory
// stays flat in the number and size of the entries. `going` is told the share written so far, 0 to
// 1. Before them all, `files`: entries (name, file) read from files as they are packed, however
// large. False when it cancelled; throws FileError.
// Each call gives the next fetched entry; false past the last.
using NextEntry = std::function<bool(QString& name, QByteArray& data)>;
bool MakeZipFile(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries,
                 const NextEntry& fetched, qint64 fetchedCount, const std::function<bool(double)>& going,
                 const std::vector<std::pair<QString, QString>>& files = {});

} // namespace exchange
