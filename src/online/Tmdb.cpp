#include "online/Tmdb.h"

#include "store/Credits.h"

#include <QJsonArray>
#include <QLocale>
#include <QSettings>
#include <QTimer>
#include <algorithm>

namespace online {

void Call::cancel()
{
    m_cancelled = true;
    if (m_reply)
        m_reply->cancel();
}

// Runs one gateway request of a call and hands on its JSON, or its failure.
class Chain
{
public:
    static void Get(Gateway& gateway, const CallPtr& call, QObject* context, const Request& request,
                    std::function<void(const QJsonDocument&)> next, const Failed& failed)
    {
        if (call->m_cancelled)
            return;
        Reply* reply = gateway.get(request);
        call->m_reply = reply;
        QObject::connect(reply, &Reply::finished, context, [call, next, failed](const Response& response) {
            if (call->m_cancelled)
                return;
            Error error;
            const QJsonDocument doc = ParseJson(response, &error);
            if (error.kind != ErrorKind::None)
                failed(error);
            else
                next(doc);
        });
        QObject::connect(reply, &Reply::failed, context, [call, failed](const Error& error) {
            if (!call->m_cancelled)
                failed(error);
        });
    }
    static void GetBytes(Gateway& gateway, const CallPtr& call, QObject* context, const Request& request,
                         const Done<QByteArray>& done, const Failed& failed)
    {
        if (call->m_cancelled)
            return;
        Reply* reply = gateway.get(request);
        call->m_reply = reply;
        QObject::connect(reply, &Reply::finished, context, [call, done](const Response& response) {
            if (!call->m_cancelled)
                done(response.body);
        });
        QObject::connect(reply, &Reply::failed, context, [call, failed](const Error& error) {
            if (!call->m_cancelled)
                failed(error);
        });
    }
};

namespace {

const auto S = [](const char* text) { return QString::fromLatin1(text); };

QSettings settingsFile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, S("Reelkeeper"), S("Reelkeeper"));
}

// A day: TMDb's data changes seldom, and a repeated look-up should cost nothing.
constexpr std::chrono::milliseconds kDay{24LL * 3600 * 1000};

QString yearOf(const QString& date)
{
    return date.size() >= 4 && date.left(4).toInt() > 0 ? date.left(4) : QString();
}

QString lengthOf(int minutes)
{
    if (minutes <= 0)
        return {};
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// "First Last" split at its last blank, as the catalogue keeps an actor: (last, first).
std::pair<QString, QString> split(const QString& name)
{
    const QString whole = name.simplified();
    const qsizetype blank = whole.lastIndexOf(QLatin1Char(' '));
    return blank < 0 ? std::pair{whole, QString()} : std::pair{whole.mid(blank + 1), whole.left(blank)};
}

QString certification(const QJsonObject& film, const QString& country)
{
    for (const QJsonValue& entry : film.value(S("release_dates")).toObject().value(S("results")).toArray()) {
        const QJsonObject o = entry.toObject();
        if (o.value(S("iso_3166_1")).toString().compare(country, Qt::CaseInsensitive) != 0)
            continue;
        // The theatrical release's (type 3) first, else any that has one.
        QString any;
        for (const QJsonValue& release : o.value(S("release_dates")).toArray()) {
            const QString c = release.toObject().value(S("certification")).toString().trimmed();
            if (c.isEmpty())
                continue;
            if (release.toObject().value(S("type")).toInt() == 3)
                return c;
            if (any.isEmpty())
                any = c;
        }
        return any;
    }
    return {};
}

class Tmdb : public MovieProvider
{
public:
    Tmdb(Gateway& gateway, TmdbSettings settings) : m_gateway(gateway), m_settings(std::move(settings)) {}

    QString Name() const override { return S("TMDb"); }
    QString Attribution() const override { return S(kTmdbAttribution); }

    CallPtr Search(QObject* context, const QString& title, const QString& year, Done<std::vector<Candidate>> done,
                   Failed failed) override
    {
        Request r = request(S("search/movie"));
        r.query.append({S("query"), title.simplified()});
        r.query.append({S("include_adult"), S("false")});
        if (!year.trimmed().isEmpty())
            r.query.append({S("year"), year.trimmed()});
        return list(context, r, std::move(done), std::move(failed));
    }

    CallPtr FindImdb(QObject* context, const QString& imdbId, Done<std::vector<Candidate>> done, Failed failed) override
    {
        Request r = request(S("find/") + imdbId);
        r.query.append({S("external_source"), S("imdb_id")});
        return list(context, r, std::move(done), std::move(failed));
    }

    CallPtr Film(QObject* context, const QString& id, Done<Details> done, Failed failed) override
    {
        auto call = std::make_shared<Call>();
        if (!keyed(context, call, failed))
            return call;
        Request r = request(S("movie/") + id);
        r.query.append({S("append_to_response"), S("credits,release_dates,external_ids")});
        Chain::Get(
            m_gateway, call, context, r,
            [done, country = m_settings.country](const QJsonDocument& doc) {
                done(TmdbDetails(doc.object(), country));
            },
            failed);
        return call;
    }

    CallPtr Picture(QObject* context, const QString& path, int width, Done<QByteArray> done, Failed failed) override
    {
        auto call = std::make_shared<Call>();
        if (!keyed(context, call, failed))
            return call;
        auto fetch = [this, call, context, path, width, done, failed] {
            Request r{S(kTmdbImages), m_size.value(width) + path, {}, kDay};
            Chain::GetBytes(m_gateway, call, context, r, done, failed);
        };
        if (m_size.contains(width)) {
            fetch();
            return call;
        }
        // The addresses of pictures come from the configuration, asked once a session.
        Chain::Get(
            m_gateway, call, context, Request{S(kTmdbService), S("configuration"), {}, kDay},
            [this, width, fetch](const QJsonDocument& doc) {
                const QJsonObject images = doc.object().value(S("images")).toObject();
                const QUrl base(images.value(S("secure_base_url")).toString());
                ServiceConfig images_ = ConfiguredService(S(kTmdbImages), imagesDefaults());
                if (!settingsFile().contains(S("Online tmdb-images/Base URL")) && base.scheme() == S("https"))
                    images_.baseUrl = base;
                m_gateway.addService(S(kTmdbImages), images_);
                m_size[width] = TmdbPosterSize(images, width);
                fetch();
            },
            failed);
        return call;
    }

    static ServiceConfig imagesDefaults()
    {
        ServiceConfig c;
        c.baseUrl = QUrl(S("https://image.tmdb.org/t/p"));
        c.requestsPerInterval = 20;
        return c;
    }

private:
    Request request(const QString& path) const
    {
        Request r{S(kTmdbService), path, {}, kDay};
        if (!m_settings.language.isEmpty())
            r.query.append({S("language"), m_settings.language});
        return r;
    }

    // Without a key TMDb refuses every request: say so before asking.
    bool keyed(QObject* context, const CallPtr& call, const Failed& failed)
    {
        if (HasTmdbKey())
            return true;
        QTimer::singleShot(0, context, [call, failed] {
            if (!call->cancelled())
                failed(Error{ErrorKind::WrongKey,
                             S("No TMDb key is set: enter your own in \"Online Lookup\" under \"Collection\"."), 0});
        });
        return false;
    }

    CallPtr list(QObject* context, const Request& r, Done<std::vector<Candidate>> done, Failed failed)
    {
        auto call = std::make_shared<Call>();
        if (keyed(context, call, failed))
            Chain::Get(
                m_gateway, call, context, r, [done](const QJsonDocument& doc) { done(TmdbCandidates(doc.object())); },
                failed);
        return call;
    }

    Gateway& m_gateway;
    TmdbSettings m_settings;
    QHash<int, QString> m_size; // the poster size for a width, from the configuration
};

} // namespace

TmdbSettings ReadTmdbSettings()
{
    QSettings s = settingsFile();
    s.beginGroup(S("Online tmdb"));
    const QLocale locale;
    TmdbSettings t;
    t.language = s.value(S("Language")).toString().trimmed();
    // The system's language ("de_DE" as TMDb writes it: "de-DE"); the C locale names none, and means English.
    const bool named = locale.language() != QLocale::C && locale.territory() != QLocale::AnyTerritory;
    if (t.language.isEmpty())
        t.language = named ? locale.name().replace(QLatin1Char('_'), QLatin1Char('-')) : S("en-US");
    t.country = s.value(S("Country")).toString().trimmed().toUpper();
    if (t.country.isEmpty())
        t.country = named ? QLocale::territoryToCode(locale.territory()) : S("US");
    return t;
}

bool HasTmdbKey()
{
    return !settingsFile().value(S("Online tmdb/Key")).toString().trimmed().isEmpty();
}

void AddTmdbServices(Gateway& gateway)
{
    ServiceConfig api;
    api.baseUrl = QUrl(S("https://api.themoviedb.org/3"));
    // TMDb allows about fifty requests a second; this stays well below.
    api.requestsPerInterval = 40;
    api.interval = std::chrono::milliseconds(1000);
    api = ConfiguredService(S(kTmdbService), api);
    // A read access token is a JWT (three dotted parts); a v3 key is 32 hex digits.
    api.credentialPlace =
        api.credential.contains(QLatin1Char('.')) ? CredentialPlace::BearerHeader : CredentialPlace::QueryParameter;
    gateway.addService(S(kTmdbService), api);
    gateway.addService(S(kTmdbImages), ConfiguredService(S(kTmdbImages), Tmdb::imagesDefaults()));
}

std::unique_ptr<MovieProvider> MakeTmdb(Gateway& gateway, const TmdbSettings& settings)
{
    return std::make_unique<Tmdb>(gateway, settings);
}

std::vector<Candidate> TmdbCandidates(const QJsonObject& answer)
{
    std::vector<Candidate> out;
    QJsonArray results = answer.value(S("results")).toArray();
    if (results.isEmpty())
        results = answer.value(S("movie_results")).toArray();
    for (const QJsonValue& v : results) {
        const QJsonObject o = v.toObject();
        const qint64 id = o.value(S("id")).toInteger();
        if (id <= 0)
            continue;
        Candidate c;
        c.id = QString::number(id);
        c.title = o.value(S("title")).toString().simplified();
        c.originalTitle = o.value(S("original_title")).toString().simplified();
        c.year = yearOf(o.value(S("release_date")).toString());
        c.posterPath = o.value(S("poster_path")).toString();
        c.overview = o.value(S("overview")).toString();
        out.push_back(std::move(c));
    }
    return out;
}

Details TmdbDetails(const QJsonObject& film, const QString& country)
{
    Details d;
    catalog::Movie& m = d.movie;
    m.title = film.value(S("title")).toString().simplified();
    m.originalTitle = film.value(S("original_title")).toString().simplified();
    m.year = yearOf(film.value(S("release_date")).toString());
    m.length = lengthOf(film.value(S("runtime")).toInt());
    m.plot = film.value(S("overview")).toString().trimmed();
    m.rating = certification(film, country);
    if (const qint64 id = film.value(S("id")).toInteger(); id > 0)
        m.tmdbId = QString::number(id);
    m.imdbId = film.value(S("imdb_id")).toString();
    if (m.imdbId.isEmpty())
        m.imdbId = film.value(S("external_ids")).toObject().value(S("imdb_id")).toString();
    d.posterPath = film.value(S("poster_path")).toString();

    std::array<QStringList, store::kCredits.size()> names;
    auto add = [&](store::CreditIndex credit, const QString& name) {
        if (const QString n = name.simplified(); !n.isEmpty() && !names[credit].contains(n))
            names[credit] << n;
    };
    static const std::pair<const char*, store::CreditIndex> jobs[] = {
        {"Director", store::kDirector},
        {"Producer", store::kProducer},
        {"Executive Producer", store::kExecutiveProducer},
        {"Screenplay", store::kScreenplay},
        {"Writer", store::kWriter},
        {"Original Music Composer", store::kComposer},
        {"Director of Photography", store::kCinematographer},
    };
    const QJsonObject credits = film.value(S("credits")).toObject();
    for (const QJsonValue& v : credits.value(S("crew")).toArray()) {
        const QJsonObject o = v.toObject();
        const QString job = o.value(S("job")).toString();
        for (const auto& [name, credit] : jobs)
            if (job == QLatin1String(name))
                add(credit, o.value(S("name")).toString());
    }
    for (const QJsonValue& v : film.value(S("genres")).toArray())
        add(store::kGenre, v.toObject().value(S("name")).toString());
    for (const QJsonValue& v : film.value(S("production_companies")).toArray())
        add(store::kStudio, v.toObject().value(S("name")).toString());
    for (std::size_t i = 0; i < names.size(); ++i)
        catalog::SetNames(m, i, names[i]);

    // In billing order, whatever order the answer lists them in.
    QList<QJsonObject> cast;
    for (const QJsonValue& v : credits.value(S("cast")).toArray())
        cast << v.toObject();
    std::stable_sort(cast.begin(), cast.end(), [](const QJsonObject& a, const QJsonObject& b) {
        return a.value(S("order")).toInt() < b.value(S("order")).toInt();
    });
    QSet<QString> seen;
    for (const QJsonObject& o : cast) {
        const QString name = o.value(S("name")).toString().simplified();
        if (name.isEmpty() || seen.contains(name))
            continue;
        seen.insert(name);
        const auto [last, first] = split(name);
        m.cast.emplace_back(last, first, o.value(S("character")).toString().simplified());
    }
    return d;
}

QString TmdbPosterSize(const QJsonObject& configuration, int width)
{
    QJsonArray sizes = configuration.value(S("poster_sizes")).toArray();
    if (sizes.isEmpty())
        sizes = configuration.value(S("images")).toObject().value(S("poster_sizes")).toArray();
    QString best;
    int bestWidth = 0;
    for (const QJsonValue& v : sizes) {
        const QString size = v.toString();
        const int w = size.startsWith(QLatin1Char('w')) ? size.mid(1).toInt() : 0;
        if (w >= width && (bestWidth == 0 || w < bestWidth)) {
            best = size;
            bestWidth = w;
        }
    }
    return best.isEmpty() ? S("original") : best;
}

} // namespace online
