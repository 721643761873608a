#include "ControlApi.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <httplib.h>

#include <functional>

namespace {

using Action = std::function<QString(const QJsonObject &)>; // empty: done; else why it failed

void reply(httplib::Response &response, const QJsonDocument &document)
{
    const QByteArray body = document.toJson(QJsonDocument::Compact);
    response.set_content(body.constData(), size_t(body.size()), "application/json");
}

QString text(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toString();
}

QString required(const QJsonObject &object, std::initializer_list<const char *> keys)
{
    for (const char *key : keys) {
        if (text(object, key).isEmpty())
            return QStringLiteral("missing ") + QLatin1String(key);
    }
    return QString();
}

QString done(bool ok)
{
    return ok ? QString() : QStringLiteral("the database refused the change");
}

} // namespace

ControlApi::ControlApi(Database &database, ServiceApi &service)
    : m_database(database)
    , m_service(service)
{}

void ControlApi::install(httplib::Server &server)
{
    const auto post = [&server](const char *path, Action action) {
        server.Post(path, [action](const httplib::Request &request, httplib::Response &response) {
            QJsonParseError parseError{};
            const QJsonDocument document =
                QJsonDocument::fromJson(QByteArray::fromStdString(request.body), &parseError);
            const QString why =
                document.isObject() ? action(document.object()) : QStringLiteral("expected a JSON object");
            if (!why.isEmpty())
                response.status = 400;
            reply(response, QJsonDocument(why.isEmpty() ? QJsonObject{{QStringLiteral("status"), QStringLiteral("ok")}}
                                                        : QJsonObject{{QStringLiteral("error"), why}}));
        });
    };
    const auto get = [&server](const char *path, std::function<QJsonArray()> read) {
        server.Get(path, [read](const httplib::Request &, httplib::Response &response) {
            reply(response, QJsonDocument(read()));
        });
    };

    post("/control/account", [this](const QJsonObject &body) -> QString {
        const QString missing = required(body, {"email", "password"});
        return missing.isEmpty() ? done(m_database.addAccount(text(body, "email"), text(body, "password"))) : missing;
    });
    post("/control/team", [this](const QJsonObject &body) -> QString {
        const QString missing = required(body, {"id"});
        return missing.isEmpty() ? done(m_database.upsertTeam(text(body, "id"), text(body, "name"))) : missing;
    });
    post("/control/team/remove", [this](const QJsonObject &body) -> QString {
        const QString missing = required(body, {"id"});
        return missing.isEmpty() ? done(m_database.removeTeam(text(body, "id"))) : missing;
    });
    post("/control/member", [this](const QJsonObject &body) -> QString {
        const QString missing = required(body, {"email", "team_id"});
        return missing.isEmpty() ? done(m_database.addMember(text(body, "email"), text(body, "team_id"))) : missing;
    });
    post("/control/member/remove", [this](const QJsonObject &body) -> QString {
        const QString missing = required(body, {"email", "team_id"});
        return missing.isEmpty() ? done(m_database.removeMember(text(body, "email"), text(body, "team_id"))) : missing;
    });
    post("/control/task", [this](const QJsonObject &body) -> QString {
        const QString missing = required(body, {"id"});
        return missing.isEmpty() ? done(m_database.upsertTask(body, text(body, "team_id"))) : missing;
    });
    post("/control/task/remove", [this](const QJsonObject &body) -> QString {
        const QString missing = required(body, {"id"});
        return missing.isEmpty() ? done(m_database.removeTask(text(body, "id"), text(body, "team_id"))) : missing;
    });
    post("/control/task/details", [this](const QJsonObject &body) -> QString {
        const QString missing = required(body, {"id"});
        if (!missing.isEmpty())
            return missing;
        QJsonObject details = body;
        details.remove(QStringLiteral("id"));
        return done(m_database.setTaskDetails(text(body, "id"), details));
    });
    post("/control/version", [this](const QJsonObject &body) -> QString {
        if (body.contains(QStringLiteral("raw"))) {
            m_database.setVersionFile(text(body, "raw").toUtf8());
            return QString();
        }
        const QString missing = required(body, {"version"});
        if (!missing.isEmpty())
            return missing;
        QDir().mkpath(m_service.filesFolder());
        QJsonArray versionFile{QJsonObject{{QStringLiteral("version"), text(body, "version")}}};
        const QJsonArray files = body.value(QStringLiteral("files")).toArray();
        for (const QJsonValue &entry : files) {
            const QString name = entry[QStringLiteral("name")].toString();
            if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
                return QStringLiteral("a file needs a plain name");
            const QString target = QDir(m_service.filesFolder()).filePath(name);
            QFile::remove(target);
            if (entry[QStringLiteral("path")].isString()) {
                if (!QFile::copy(entry[QStringLiteral("path")].toString(), target))
                    return QStringLiteral("cannot copy ") + entry[QStringLiteral("path")].toString();
            } else {
                QFile file(target);
                if (!file.open(QIODevice::WriteOnly) ||
                    file.write(QByteArray::fromBase64(entry[QStringLiteral("content_base64")].toString().toLatin1())) <
                        0)
                    return QStringLiteral("cannot write ") + target;
            }
            const QString url = m_service.baseUrl() + QStringLiteral("/monitor/files/") +
                                QString::fromLatin1(QUrl::toPercentEncoding(name));
            versionFile.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("url"), url}});
        }
        m_database.setVersionFile(QJsonDocument(versionFile).toJson(QJsonDocument::Compact));
        return QString();
    });
    post("/control/fault", [this](const QJsonObject &body) -> QString {
        const QString missing = required(body, {"path", "kind"});
        if (!missing.isEmpty())
            return missing;
        const std::optional<Faults::Kind> kind = Faults::kindFromName(text(body, "kind"));
        if (!kind)
            return QStringLiteral("unknown fault ") + text(body, "kind");
        Faults::Fault fault;
        fault.kind = *kind;
        fault.count = body.value(QStringLiteral("count")).toInt(1);
        fault.seconds = body.value(QStringLiteral("seconds")).toDouble(0);
        fault.body = text(body, "body").toUtf8();
        m_service.faults().arm(text(body, "path"), fault);
        return QString();
    });
    post("/control/faults/clear", [this](const QJsonObject &) -> QString {
        m_service.faults().clear();
        return QString();
    });

    get("/control/activities", [this] { return m_database.activities(); });
    get("/control/screenshots", [this] { return m_database.screenshots(); });
    get("/control/deadline_requests", [this] { return m_database.deadlineRequests(); });
    get("/control/requests", [this] { return m_service.requests(); });
}
