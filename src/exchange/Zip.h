#pragma once

#include "exchange/FileError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace exchange {

// Zip archives through libzip, in memory or in a file. Names are paths inside the archive
// ("tellico.xml"; images later go under "images/"). Failures throw FileError.

bool IsZip(const QByteArray& bytes);

// The archive's entry names; throws FileError when the bytes are no readable zip.
QStringList ZipEntries(const QByteArray& zip);

// One entry's content. Refuses one whose size, as the directory gives it or as it unpacks, passes
// maxSize (a zip bomb), and a missing entry. Throws FileError.
QByteArray ZipEntry(const QByteArray& zip, const QString& name, qint64 maxSize);

// The same for many entries of one archive, which is read once. The bytes must outlive it. Opened
// on a file, only the directory and the entries asked for are read, however large the file.
class ZipReader
{
public:
    explicit ZipReader(const QByteArray& zip); // throws FileError
    explicit ZipReader(const QString& path);   // throws FileError
    ~ZipReader();
    // `unpacked`, when given, is told how many bytes were unpacked, whether the entry is returned or refused.
    QByteArray entry(const QString& name, qint64 maxSize, qint64* unpacked = nullptr) const;
    bool contains(const QString& name) const;
    // The bytes the entry takes in the archive, packed; 0 when it is not there.
    qint64 packedSize(const QString& name) const;

private:
    struct Archive;
    std::unique_ptr<Archive> m_archive;
};

// An archive of the given entries, compressed. `going` is asked now and then whether to go on;
// answering false cancels the archive, and nothing is returned.
QByteArray MakeZip(const std::vector<std::pair<QString, QByteArray>>& entries, const std::function<bool()>& going = {});

// The same written straight to a file, with entries fetched only as they are written, one at a
// time, and stored unpacked (pictures gain nothing from packing). Written beside the file and
// renamed over it at the end, so a failure or Cancel leaves no file. `going` is told the share
// written so far, 0 to 1. False when it cancelled; throws FileError.
using FetchedEntries = std::vector<std::pair<QString, std::function<QByteArray()>>>;
bool MakeZipFile(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries,
                 const FetchedEntries& fetched, const std::function<bool(double)>& going);

} // namespace exchange
