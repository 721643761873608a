#pragma once

#include "Database.h"
#include "ServiceApi.h"

namespace httplib {
class Server;
}

/// The test-control paths, under "/control/", present only when the service
/// was started with --control. They change the service's data, arm faults
/// and read back what the service received. Bodies and answers are JSON;
/// a request the control cannot carry out gets 400 and {"error": why}.
///
///   POST /control/account        {"email", "password"}
///   POST /control/team           {"id", "name"}
///   POST /control/team/remove    {"id"}                 (hidden from every member)
///   POST /control/member         {"email", "team_id"}
///   POST /control/member/remove  {"email", "team_id"}
///   POST /control/task           {"id", "team_id"?, "title"?, "deadline"?, "block"?,
///                                 "last_comment"?, "importance"?}
///   POST /control/task/remove    {"id", "team_id"?}     (from that team, or every team)
///   POST /control/task/details   {"id", "text"?, "executor_name"?, ..., "files"?, "texts"?}
///   POST /control/version        {"version", "files": [{"name", "path" | "content_base64"}]}
///                                or {"raw": exact body of the version file}
///   POST /control/fault          {"path", "kind": stall|close|html|dberror|invalid_login|body,
///                                 "count"?: 1, "seconds"?: for stall, "body"?: for body}
///   POST /control/faults/clear   {}
///   GET  /control/activities, /control/screenshots, /control/deadline_requests,
///        /control/requests
class ControlApi
{
public:
    ControlApi(Database &database, ServiceApi &service);

    void install(httplib::Server &server);

private:
    Database &m_database;
    ServiceApi &m_service;
};
