#pragma once

#include "Database.h"
#include "Faults.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

/// The paths of the web service that the monitor and the updater use.
///
/// Every request is recorded (for tests, through the control paths) and may
/// meet a fault that a test armed for its path. Requests that identify a
/// user carry "login" and "password"; wrong ones get the invalid-login
/// envelope. Refusals the client understands are answered with its error
/// bodies and status 200; bodies that are not even well formed get a 4xx.
class ServiceApi
{
public:
    ServiceApi(Database &database, const QString &filesFolder);

    void install(httplib::Server &server);

    /// The address the service is reached at, for the URLs it hands out.
    void setBaseUrl(const QString &url) { m_baseUrl = url; }
    QString baseUrl() const { return m_baseUrl; }
    /// Where the update files listed in the version file are kept.
    QString filesFolder() const { return m_filesFolder; }

    Faults &faults() { return m_faults; }
    /// The requests received so far (method, path, query and form items),
    /// newest last; at most the last few thousand.
    QJsonArray requests();

    /// Ends stalls early, so that the server can stop at once.
    void stop();

private:
    using Handler = void (ServiceApi::*)(const httplib::Request &, httplib::Response &);

    void route(httplib::Server &server, bool post, const char *pattern, const QString &name, Handler handler);
    void record(const httplib::Request &request);
    /// Applies an armed fault; true when it answered the request itself.
    bool applyFault(const QString &path, httplib::Response &response);
    /// The user named by "login" when "password" matches, else empty (and
    /// the invalid-login envelope is the answer).
    QString authenticate(const httplib::Request &request, httplib::Response &response);

    void signIn(const httplib::Request &request, httplib::Response &response);
    void teamsAndTasks(const httplib::Request &request, httplib::Response &response);
    void activity(const httplib::Request &request, httplib::Response &response);
    void screenshot(const httplib::Request &request, httplib::Response &response);
    void upload(const httplib::Request &request, httplib::Response &response, bool isScreenshot);
    void taskDetails(const httplib::Request &request, httplib::Response &response);
    void deadlineRequest(const httplib::Request &request, httplib::Response &response);
    void activeTime(const httplib::Request &request, httplib::Response &response);
    void versionFile(const httplib::Request &request, httplib::Response &response);
    void updateFile(const httplib::Request &request, httplib::Response &response);
    void downloadPage(const httplib::Request &request, httplib::Response &response);
    void taskPage(const httplib::Request &request, httplib::Response &response);

    Database &m_database;
    QString m_filesFolder;
    QString m_baseUrl;
    Faults m_faults;
    std::mutex m_logMutex;
    std::deque<QJsonObject> m_requests;
    std::mutex m_stopMutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
};
