#pragma once

// How a scanned code becomes a movie: the catalogue first, then a barcode service for the shop's
// name of the disc, then the film database by that name, cleaned.

#include "online/Gateway.h"
#include "online/Provider.h"

#include <QImage>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace scan {

// What a shop calls the product of a code.
struct Product
{
    QString title;
    QString brand;
};

// A service that names the product of a barcode. `done` gets none when it knows no such code.
class BarcodeService
{
public:
    virtual ~BarcodeService() = default;
    virtual QString Name() const = 0;
    virtual void Lookup(QObject* context, const QString& code, std::function<void(const std::optional<Product>&)> done,
                        online::Failed failed) = 0;
    virtual void CancelAll() = 0;
};

inline constexpr const char* kUpcitemdbService = "upcitemdb";
// UPCitemdb's free tier: no key, 100 look-ups a day and a few a minute; the settings' section
// "Online upcitemdb" may name another address.
online::ServiceConfig UpcitemdbDefaults();
void AddUpcitemdbService(online::Gateway& gateway);
std::unique_ptr<BarcodeService> MakeUpcitemdb(online::Gateway& gateway);

enum class State { Waiting, Looking, InCatalogue, Proposed, Choose, NotFound, ToDo, Added };
QString StateText(State state); // as the session list shows it

// One code of the session.
struct Scanned
{
    QString code;
    State state = State::Waiting;
    qint64 movieId = 0;   // in the catalogue, or added
    QString title;        // the movie's, the film's, or the shop's cleaned
    QString year;         // the year the shop's name gives
    QString note;         // what the shop calls it, or why nothing was found
    bool unasked = false; // a service could not be asked: "not found" says nothing of the code
    std::optional<online::Details> film;
    std::vector<online::Candidate> candidates;
    QByteArray poster; // the film's poster for its cover
    QImage thumbnail;
};

// Resolves the codes one after another, in the order they came. `provider` may be null (no key
// for the film database): then the shop's cleaned name is proposed as it stands.
class Resolver : public QObject
{
    Q_OBJECT
public:
    using InCatalogue = std::function<std::optional<std::pair<qint64, QString>>(const QString& code)>;
    Resolver(BarcodeService& service, online::MovieProvider* provider, InCatalogue inCatalogue,
             QObject* parent = nullptr);
    ~Resolver() override;

    // The row of the code: a new one, waiting its turn in `state` (Waiting to be looked up), or the
    // row it already has.
    int Add(const QString& code, State state = State::Waiting);
    const std::vector<Scanned>& Items() const { return m_items; }
    Scanned& Item(int row) { return m_items[std::size_t(row)]; }
    int RowOf(const QString& code) const;
    // Looks the row up again from the start.
    void Retry(int row);
    // The user's pick among the candidates: the film's details are fetched and proposed.
    void Choose(int row, const online::Candidate& candidate);
    bool Busy() const { return m_current >= 0 || !m_queue.empty(); }
    void CancelAll();

signals:
    void changed(int row);

private:
    void next();
    void found(int row, const std::optional<Product>& product);
    void searched(int row, const std::vector<online::Candidate>& candidates);
    void film(int row, const QString& id);
    void failed(int row, const QString& what, const online::Error& error);
    void settle(int row);

    BarcodeService& m_service;
    online::MovieProvider* m_provider;
    InCatalogue m_inCatalogue;
    std::vector<Scanned> m_items;
    std::vector<int> m_queue;
    int m_current = -1;
    std::vector<online::CallPtr> m_calls;
};

} // namespace scan
