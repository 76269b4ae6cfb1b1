#include "scan/ScanChain.h"

#include "online/Matching.h"
#include "scan/ProductTitle.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

namespace scan {

namespace {
const auto S = [](const char* text) { return QString::fromUtf8(text); };
constexpr int kThumbWidth = 92;
constexpr int kCoverWidth = 500;

class Upcitemdb : public BarcodeService
{
public:
    explicit Upcitemdb(online::Gateway& gateway) : m_gateway(gateway) {}
    ~Upcitemdb() override { CancelAll(); }
    QString Name() const override { return S("UPCitemdb"); }

    void Lookup(QObject* context, const QString& code, std::function<void(const std::optional<Product>&)> done,
                online::Failed failed) override
    {
        // A day's cache: the free tier's hundred a day are not spent twice on one code.
        online::Reply* reply =
            m_gateway.get({S(kUpcitemdbService), S("lookup"), {{S("upc"), code}}, std::chrono::hours(24)});
        m_replies.push_back(reply);
        QObject::connect(reply, &online::Reply::finished, context, [done, failed](const online::Response& r) {
            online::Error error;
            const QJsonObject answer = online::ParseJson(r, &error).object();
            if (error.kind != online::ErrorKind::None)
                return failed(error);
            const QJsonArray items = answer.value(S("items")).toArray();
            if (items.isEmpty())
                return done(std::nullopt);
            const QJsonObject item = items.first().toObject();
            done(Product{item.value(S("title")).toString(), item.value(S("brand")).toString()});
        });
        QObject::connect(reply, &online::Reply::failed, context, [done, failed](const online::Error& e) {
            // The service answers 404 for a code it does not know.
            if (e.kind == online::ErrorKind::NotFound)
                done(std::nullopt);
            else
                failed(e);
        });
    }

    void CancelAll() override
    {
        for (const QPointer<online::Reply>& r : m_replies)
            if (r)
                r->cancel();
        m_replies.clear();
    }

private:
    online::Gateway& m_gateway;
    std::vector<QPointer<online::Reply>> m_replies;
};
} // namespace

online::ServiceConfig UpcitemdbDefaults()
{
    online::ServiceConfig c;
    c.baseUrl = QUrl(S("https://api.upcitemdb.com/prod/trial"));
    c.requestsPerInterval = 6; // the free tier's burst: six a minute
    c.interval = std::chrono::minutes(1);
    c.transferTimeout = std::chrono::seconds(20);
    return c;
}

void AddUpcitemdbService(online::Gateway& gateway)
{
    gateway.addService(S(kUpcitemdbService), online::ConfiguredService(S(kUpcitemdbService), UpcitemdbDefaults()));
}

std::unique_ptr<BarcodeService> MakeUpcitemdb(online::Gateway& gateway)
{
    return std::make_unique<Upcitemdb>(gateway);
}

QString StateText(State state)
{
    switch (state) {
    case State::Waiting:
        return S("waiting");
    case State::Looking:
        return S("looking up...");
    case State::InCatalogue:
        return S("in the catalogue");
    case State::Proposed:
        return S("proposed");
    case State::Choose:
        return S("choose");
    case State::NotFound:
        return S("not found");
    case State::ToDo:
        return S("to do");
    case State::Added:
        return S("added");
    }
    return {};
}

Resolver::Resolver(BarcodeService& service, online::MovieProvider* provider, InCatalogue inCatalogue, QObject* parent)
    : QObject(parent), m_service(service), m_provider(provider), m_inCatalogue(std::move(inCatalogue))
{
}

Resolver::~Resolver()
{
    CancelAll();
}

void Resolver::CancelAll()
{
    for (const online::CallPtr& c : m_calls)
        c->cancel();
    m_calls.clear();
    m_service.CancelAll();
    // The rows keep their state: what was still waiting is the window's to keep.
    m_queue.clear();
    m_current = -1;
}

int Resolver::RowOf(const QString& code) const
{
    for (std::size_t n = 0; n < m_items.size(); ++n)
        if (m_items[n].code == code)
            return int(n);
    return -1;
}

int Resolver::Add(const QString& code, State state)
{
    if (const int row = RowOf(code); row >= 0)
        return row;
    Scanned s;
    s.code = code;
    s.state = state;
    m_items.push_back(std::move(s));
    const int row = int(m_items.size()) - 1;
    if (state == State::Waiting) {
        m_queue.push_back(row);
        next();
    }
    return row;
}

void Resolver::Retry(int row)
{
    Scanned& s = Item(row);
    if (s.state == State::Waiting || s.state == State::Looking || s.state == State::Added)
        return;
    const QString code = s.code;
    s = Scanned();
    s.code = code;
    m_queue.push_back(row);
    emit changed(row);
    next();
}

void Resolver::next()
{
    if (m_current >= 0 || m_queue.empty())
        return;
    const int row = m_queue.front();
    m_queue.erase(m_queue.begin());
    m_current = row;
    Scanned& s = Item(row);
    if (const auto held = m_inCatalogue(s.code)) {
        s.state = State::InCatalogue;
        s.movieId = held->first;
        s.title = held->second;
        return settle(row);
    }
    s.state = State::Looking;
    emit changed(row);
    m_service.Lookup(
        this, s.code, [this, row](const std::optional<Product>& p) { found(row, p); },
        [this, row](const online::Error& e) { failed(row, m_service.Name(), e); });
}

void Resolver::found(int row, const std::optional<Product>& product)
{
    Scanned& s = Item(row);
    if (!product || product->title.trimmed().isEmpty()) {
        s.state = State::NotFound;
        s.note = S("%1 knows no product of this code.").arg(m_service.Name());
        return settle(row);
    }
    const CleanTitle clean = CleanProductTitle(product->title, product->brand);
    s.title = clean.title;
    s.year = clean.year;
    s.note = S("%1 calls it \"%2\".").arg(m_service.Name(), product->title.simplified());
    if (!m_provider) {
        // No film database to ask: the shop's name, cleaned, is the proposal.
        online::Details d;
        d.movie.title = clean.title;
        d.movie.year = clean.year;
        d.movie.barcodes = {s.code};
        s.film = d;
        s.state = State::Proposed;
        return settle(row);
    }
    m_calls.push_back(m_provider->Search(
        this, clean.title, clean.year,
        [this, row, clean](const std::vector<online::Candidate>& found) {
            // A year the shop gave that the film database does not share is the shop's mistake
            // as often as not: search again without it before giving up.
            if (found.empty() && !clean.year.isEmpty())
                m_calls.push_back(m_provider->Search(
                    this, clean.title, {}, [this, row](const std::vector<online::Candidate>& c) { searched(row, c); },
                    [this, row](const online::Error& e) { failed(row, m_provider->Name(), e); }));
            else
                searched(row, found);
        },
        [this, row](const online::Error& e) { failed(row, m_provider->Name(), e); }));
}

void Resolver::searched(int row, const std::vector<online::Candidate>& candidates)
{
    Scanned& s = Item(row);
    if (candidates.empty()) {
        s.state = State::NotFound;
        s.note += S(" No film of that title was found.");
        return settle(row);
    }
    catalog::Movie wanted;
    wanted.title = s.title;
    wanted.year = s.year;
    std::vector<std::pair<double, std::size_t>> scores;
    for (std::size_t n = 0; n < candidates.size(); ++n)
        scores.push_back(
            {online::MatchScore(wanted, candidates[n].title, candidates[n].originalTitle, candidates[n].year), n});
    std::stable_sort(scores.begin(), scores.end(), [](auto& a, auto& b) { return a.first > b.first; });
    // A sure match that no other film matches as well is taken; two equally good ("Heat" 1995 and
    // 1986 with no year on the case) are the user's to choose.
    const bool sure =
        scores[0].first >= online::kSureMatch && (scores.size() == 1 || scores[1].first < online::kSureMatch);
    if (!sure) {
        s.candidates.clear();
        for (const auto& [score, n] : scores)
            s.candidates.push_back(candidates[n]);
        s.state = State::Choose;
        return settle(row);
    }
    film(row, candidates[scores[0].second].id);
}

void Resolver::Choose(int row, const online::Candidate& candidate)
{
    Scanned& s = Item(row);
    if (!m_provider || s.state != State::Choose)
        return;
    s.state = State::Looking;
    s.title = candidate.title;
    emit changed(row);
    film(row, candidate.id);
}

void Resolver::film(int row, const QString& id)
{
    m_calls.push_back(m_provider->Film(
        this, id,
        [this, row](const online::Details& d) {
            Scanned& s = Item(row);
            s.film = d;
            s.film->movie.barcodes = {s.code};
            s.title = d.movie.title;
            s.state = State::Proposed;
            if (!d.posterPath.isEmpty())
                // One picture for both the cover and the list's thumbnail.
                m_calls.push_back(m_provider->Picture(
                    this, d.posterPath, kCoverWidth,
                    [this, row](const QByteArray& bytes) {
                        Scanned& s = Item(row);
                        s.poster = bytes;
                        const QImage image = QImage::fromData(bytes);
                        if (!image.isNull())
                            s.thumbnail = image.scaledToWidth(kThumbWidth, Qt::SmoothTransformation);
                        emit changed(row);
                    },
                    [](const online::Error&) {}));
            settle(row);
        },
        [this, row](const online::Error& e) { failed(row, m_provider->Name(), e); }));
}

void Resolver::failed(int row, const QString& what, const online::Error& error)
{
    if (error.kind == online::ErrorKind::Cancelled)
        return;
    Scanned& s = Item(row);
    s.state = State::NotFound;
    s.unasked = true;
    s.note = (s.note.isEmpty() ? QString() : s.note + S(" ")) + S("%1 could not be asked: %2").arg(what, error.message);
    settle(row);
}

void Resolver::settle(int row)
{
    if (m_current == row)
        m_current = -1;
    emit changed(row);
    next();
}

} // namespace scan
