#pragma once

// What an online movie database is to the program: a search by title (and year) or by id, the
// details of one film in the user's language, and its pictures. Providers only turn a service's
// answers into our movie type; the gateway under them does the talking.

#include "catalog/Movie.h"
#include "online/Gateway.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

namespace online {

// One film a search found, as the look-up window lists it.
struct Candidate
{
    QString id; // the service's own id
    QString title, originalTitle, year;
    QString director; // known once the film's details came; empty before
    QString posterPath;
    QString overview;
};

// One film in full: the movie with as much as the service knows, and where its poster is.
struct Details
{
    catalog::Movie movie;
    QString posterPath; // empty: the service has no poster
};

// A request on its way, which may take several requests of the gateway; cancel() ends it without
// a callback. Callbacks run from the event loop, only while `context` lives.
class Call
{
public:
    void cancel();
    bool cancelled() const { return m_cancelled; }

private:
    friend class Chain;
    QPointer<Reply> m_reply;
    bool m_cancelled = false;
};
using CallPtr = std::shared_ptr<Call>;

template <class T> using Done = std::function<void(const T&)>;
using Failed = std::function<void(const Error&)>;

class MovieProvider
{
public:
    virtual ~MovieProvider() = default;
    virtual QString Name() const = 0;
    // What the service asks to be said wherever its data is shown.
    virtual QString Attribution() const = 0;

    virtual CallPtr Search(QObject* context, const QString& title, const QString& year,
                           Done<std::vector<Candidate>> done, Failed failed) = 0;
    // The films of an IMDb id ("tt0133093"), as candidates.
    virtual CallPtr FindImdb(QObject* context, const QString& imdbId, Done<std::vector<Candidate>> done,
                             Failed failed) = 0;
    virtual CallPtr Film(QObject* context, const QString& id, Done<Details> done, Failed failed) = 0;
    // A picture's bytes at about `width` pixels wide.
    virtual CallPtr Picture(QObject* context, const QString& path, int width, Done<QByteArray> done, Failed failed) = 0;
};

} // namespace online
