#include "Database.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

#include <sqlite3.h>

namespace {

const QString dateTimeForm = QStringLiteral("yyyy-MM-dd HH:mm:ss");

const char *const schema = R"(
PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
CREATE TABLE IF NOT EXISTS accounts(
    email TEXT PRIMARY KEY, password TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS teams(
    id TEXT PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS memberships(
    email TEXT NOT NULL, team_id TEXT NOT NULL, removed INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY(email, team_id));
CREATE TABLE IF NOT EXISTS tasks(
    id TEXT PRIMARY KEY, title TEXT NOT NULL DEFAULT '', deadline TEXT NOT NULL DEFAULT '',
    block TEXT NOT NULL DEFAULT '0', last_comment TEXT NOT NULL DEFAULT '',
    importance INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS team_tasks(
    team_id TEXT NOT NULL, task_id TEXT NOT NULL, removed INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY(team_id, task_id));
CREATE TABLE IF NOT EXISTS task_details(
    task_id TEXT PRIMARY KEY, details TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS activities(
    id INTEGER PRIMARY KEY, email TEXT NOT NULL, team_id TEXT NOT NULL, task_id TEXT NOT NULL,
    active INTEGER NOT NULL, past INTEGER NOT NULL, version TEXT NOT NULL,
    received_at TEXT NOT NULL, recorded_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS screenshots(
    id INTEGER PRIMARY KEY, email TEXT NOT NULL, team_id TEXT NOT NULL, task_id TEXT NOT NULL,
    past INTEGER NOT NULL, version TEXT NOT NULL, file_name TEXT NOT NULL, image BLOB,
    received_at TEXT NOT NULL, recorded_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS deadline_requests(
    id INTEGER PRIMARY KEY, email TEXT NOT NULL, task_id TEXT NOT NULL, dl_date TEXT NOT NULL,
    dl_time TEXT, message TEXT NOT NULL, received_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS meta(
    key TEXT PRIMARY KEY, value BLOB NOT NULL);
)";

/// One prepared statement; finalized when it goes out of scope.
class Statement
{
public:
    Statement(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr); }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(const QString &value)
    {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(m_statement, ++m_index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bind(qint64 value)
    {
        sqlite3_bind_int64(m_statement, ++m_index, value);
        return *this;
    }
    Statement &bindBlob(const QByteArray &value)
    {
        sqlite3_bind_blob(m_statement, ++m_index, value.constData(), value.size(), SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bindNull()
    {
        sqlite3_bind_null(m_statement, ++m_index);
        return *this;
    }

    /// Runs a statement that returns no rows; true when it succeeded.
    bool run() { return m_statement && sqlite3_step(m_statement) == SQLITE_DONE; }
    /// Moves to the next row; false at the end or on an error.
    bool next() { return m_statement && sqlite3_step(m_statement) == SQLITE_ROW; }

    QString text(int column) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column)),
                                 sqlite3_column_bytes(m_statement, column));
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    QByteArray blob(int column) const
    {
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(m_statement, column)),
                          sqlite3_column_bytes(m_statement, column));
    }

private:
    sqlite3_stmt *m_statement = nullptr;
    int m_index = 0;
};

/// A transaction that rolls back unless committed.
class Transaction
{
public:
    explicit Transaction(sqlite3 *db)
        : m_db(db)
    {
        m_open = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Transaction()
    {
        if (m_open)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool commit()
    {
        if (!m_open)
            return false;
        m_open = false;
        return sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    }

private:
    sqlite3 *m_db;
    bool m_open = false;
};

/// A seed date: absolute, or "+Nd HH:mm:ss" / "-Nd HH:mm:ss" from \a now.
/// Empty stays empty.
QString seedDate(const QString &text, const QDateTime &now)
{
    static const QRegularExpression relative(QStringLiteral("^([+-]\\d+)d (\\d\\d:\\d\\d:\\d\\d)$"));
    const QRegularExpressionMatch match = relative.match(text);
    if (!match.hasMatch())
        return text;
    const QDate day = now.date().addDays(match.captured(1).toInt());
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + match.captured(2);
}

QJsonObject taskObject(const Statement &row)
{
    return QJsonObject{{QStringLiteral("id"), row.text(0)},           {QStringLiteral("title"), row.text(1)},
                       {QStringLiteral("deadline"), row.text(2)},     {QStringLiteral("block"), row.text(3)},
                       {QStringLiteral("last_comment"), row.text(4)}, {QStringLiteral("importance"), row.integer(5)}};
}

} // namespace

Database::~Database()
{
    close();
}

bool Database::open(const QString &path, QString &error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    if (!execute(schema)) {
        error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    return true;
}

void Database::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_db) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

bool Database::execute(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Database::isEmpty()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement count(m_db, "SELECT COUNT(*) FROM accounts");
    return count.next() && count.integer(0) == 0;
}

bool Database::seed(const QJsonObject &seed, const QDateTime &now, QString &error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction transaction(m_db);
    const auto fail = [&error](const QString &what) {
        error = what;
        return false;
    };

    const QJsonArray teamList = seed.value(QStringLiteral("teams")).toArray();
    for (const QJsonValue &team : teamList) {
        const QString id = team[QStringLiteral("id")].toString();
        if (id.isEmpty())
            return fail(QStringLiteral("a team without an id"));
        if (!Statement(m_db, "INSERT OR REPLACE INTO teams(id, name) VALUES(?, ?)")
                 .bind(id)
                 .bind(team[QStringLiteral("name")].toString())
                 .run())
            return fail(QStringLiteral("team ") + id);
    }

    const QJsonArray accounts = seed.value(QStringLiteral("accounts")).toArray();
    for (const QJsonValue &account : accounts) {
        const QString email = account[QStringLiteral("email")].toString();
        const QString password = account[QStringLiteral("password")].toString();
        if (email.isEmpty() || password.isEmpty())
            return fail(QStringLiteral("an account without e-mail or password"));
        if (!Statement(m_db, "INSERT OR REPLACE INTO accounts(email, password) VALUES(?, ?)")
                 .bind(email)
                 .bind(password)
                 .run())
            return fail(QStringLiteral("account ") + email);
        const QJsonArray memberOf = account[QStringLiteral("teams")].toArray();
        for (const QJsonValue &teamId : memberOf) {
            if (!Statement(m_db, "INSERT OR REPLACE INTO memberships(email, team_id) VALUES(?, ?)")
                     .bind(email)
                     .bind(teamId.toString())
                     .run())
                return fail(QStringLiteral("membership of ") + email);
        }
    }

    const QJsonArray tasks = seed.value(QStringLiteral("tasks")).toArray();
    for (const QJsonValue &value : tasks) {
        QJsonObject task = value.toObject();
        for (const char *key : {"deadline", "last_comment"}) {
            const QString name = QLatin1String(key);
            if (task.contains(name))
                task[name] = seedDate(task[name].toString(), now);
        }
        const QJsonArray inTeams = task[QStringLiteral("teams")].toArray();
        if (task[QStringLiteral("id")].toString().isEmpty() || !upsertTaskLocked(task, QString(), now))
            return fail(QStringLiteral("a task without an id"));
        for (const QJsonValue &teamId : inTeams) {
            if (!upsertTaskLocked(QJsonObject{{QStringLiteral("id"), task[QStringLiteral("id")]}}, teamId.toString(),
                                  now))
                return fail(QStringLiteral("task ") + task[QStringLiteral("id")].toString());
        }
        if (task.contains(QStringLiteral("details")) &&
            !Statement(m_db, "INSERT OR REPLACE INTO task_details(task_id, details) VALUES(?, ?)")
                 .bind(task[QStringLiteral("id")].toString())
                 .bind(QString::fromUtf8(
                     QJsonDocument(task[QStringLiteral("details")].toObject()).toJson(QJsonDocument::Compact)))
                 .run())
            return fail(QStringLiteral("details of task ") + task[QStringLiteral("id")].toString());
    }

    if (seed.contains(QStringLiteral("version")) &&
        !Statement(m_db, "INSERT OR REPLACE INTO meta(key, value) VALUES('version', ?)")
             .bindBlob(QJsonDocument(seed.value(QStringLiteral("version")).toArray()).toJson(QJsonDocument::Compact))
             .run())
        return fail(QStringLiteral("the version file"));

    if (!transaction.commit())
        return fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    return true;
}

bool Database::checkLogin(const QString &email, const QString &password)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement account(m_db, "SELECT password FROM accounts WHERE email = ?");
    account.bind(email);
    return account.next() && account.text(0) == password;
}

bool Database::hasAccount(const QString &email)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement account(m_db, "SELECT 1 FROM accounts WHERE email = ?");
    account.bind(email);
    return account.next();
}

QJsonArray Database::teams(const QString &email)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QJsonArray result;
    Statement rows(m_db, "SELECT t.id, t.name FROM memberships m JOIN teams t ON t.id = m.team_id "
                         "WHERE m.email = ? AND m.removed = 0 ORDER BY m.rowid");
    rows.bind(email);
    while (rows.next())
        result.append(QJsonObject{{QStringLiteral("id"), rows.text(0)}, {QStringLiteral("name"), rows.text(1)}});
    return result;
}

QJsonArray Database::teamsWithTasks(const QString &email)
{
    QJsonArray result = teams(email);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < result.size(); ++i) {
        QJsonObject team = result.at(i).toObject();
        QJsonArray tasks;
        Statement rows(m_db, "SELECT k.id, k.title, k.deadline, k.block, k.last_comment, k.importance "
                             "FROM team_tasks tt JOIN tasks k ON k.id = tt.task_id "
                             "WHERE tt.team_id = ? AND tt.removed = 0 ORDER BY tt.rowid");
        rows.bind(team[QStringLiteral("id")].toString());
        while (rows.next())
            tasks.append(taskObject(rows));
        team[QStringLiteral("tasks")] = tasks;
        result[i] = team;
    }
    return result;
}

bool Database::ownsTeamTask(const QString &email, const QString &teamId, const QString &taskId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement member(m_db, "SELECT 1 FROM memberships WHERE email = ? AND team_id = ?");
    member.bind(email).bind(teamId);
    if (!member.next())
        return false;
    if (taskId == QLatin1String("0"))
        return true;
    Statement task(m_db, "SELECT 1 FROM team_tasks WHERE team_id = ? AND task_id = ?");
    task.bind(teamId).bind(taskId);
    return task.next();
}

bool Database::ownsTask(const QString &email, const QString &taskId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement task(m_db, "SELECT 1 FROM memberships m JOIN team_tasks tt ON tt.team_id = m.team_id "
                         "WHERE m.email = ? AND tt.task_id = ?");
    task.bind(email).bind(taskId);
    return task.next();
}

std::optional<QJsonObject> Database::taskDetails(const QString &taskId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement row(m_db, "SELECT id, title, deadline, block, last_comment, importance FROM tasks WHERE id = ?");
    row.bind(taskId);
    if (!row.next())
        return std::nullopt;
    const QJsonObject task = taskObject(row);
    QJsonObject message{{QStringLiteral("id"), task[QStringLiteral("id")]},
                        {QStringLiteral("title"), task[QStringLiteral("title")]},
                        {QStringLiteral("deadline"), task[QStringLiteral("deadline")]},
                        {QStringLiteral("text"), QString()},
                        {QStringLiteral("executor_name"), QString()},
                        {QStringLiteral("creator_name"), QString()},
                        {QStringLiteral("auditor_name"), QString()},
                        {QStringLiteral("files"), QJsonArray()},
                        {QStringLiteral("texts"), QJsonArray()}};
    Statement details(m_db, "SELECT details FROM task_details WHERE task_id = ?");
    details.bind(taskId);
    if (details.next()) {
        const QJsonObject stored = QJsonDocument::fromJson(details.text(0).toUtf8()).object();
        for (auto it = stored.begin(); it != stored.end(); ++it)
            message[it.key()] = it.value();
    }
    return message;
}

bool Database::storeActivity(const Upload &upload, const QDateTime &received)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Statement(m_db, "INSERT INTO activities(email, team_id, task_id, active, past, version, received_at, "
                           "recorded_at) VALUES(?, ?, ?, ?, ?, ?, ?, ?)")
        .bind(upload.email)
        .bind(upload.teamId)
        .bind(upload.taskId)
        .bind(upload.active)
        .bind(upload.past)
        .bind(upload.version)
        .bind(received.toString(dateTimeForm))
        .bind(received.addSecs(-upload.past).toString(dateTimeForm))
        .run();
}

bool Database::storeScreenshot(const Upload &upload, const QDateTime &received)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement insert(m_db, "INSERT INTO screenshots(email, team_id, task_id, past, version, file_name, image, "
                           "received_at, recorded_at) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.bind(upload.email).bind(upload.teamId).bind(upload.taskId).bind(upload.past).bind(upload.version);
    insert.bind(upload.fileName);
    if (upload.image.isNull())
        insert.bindNull();
    else
        insert.bindBlob(upload.image);
    return insert.bind(received.toString(dateTimeForm))
        .bind(received.addSecs(-upload.past).toString(dateTimeForm))
        .run();
}

bool Database::storeDeadlineRequest(const QString &email, const QString &taskId, const QString &date,
                                    const QString &time, const QString &message, const QDateTime &received)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement insert(m_db, "INSERT INTO deadline_requests(email, task_id, dl_date, dl_time, message, received_at) "
                           "VALUES(?, ?, ?, ?, ?, ?)");
    insert.bind(email).bind(taskId).bind(date);
    if (time.isNull())
        insert.bindNull();
    else
        insert.bind(time);
    return insert.bind(message).bind(received.toString(dateTimeForm)).run();
}

Database::Minutes Database::minutes(const QString &email, const QDate &day, const QString &taskId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement sums(m_db, "SELECT COUNT(*), SUM(active > 0), SUM(active > 0 AND task_id = ?) FROM activities "
                         "WHERE email = ? AND substr(recorded_at, 1, 10) = ?");
    sums.bind(taskId).bind(email).bind(day.toString(QStringLiteral("yyyy-MM-dd")));
    Minutes result;
    if (sums.next()) {
        result.total = sums.integer(0);
        result.active = sums.integer(1);
        result.task = sums.integer(2);
    }
    return result;
}

QByteArray Database::versionFile()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement row(m_db, "SELECT value FROM meta WHERE key = 'version'");
    return row.next() ? row.blob(0) : QByteArray("[{\"version\":\"1.1.0\"}]");
}

void Database::setVersionFile(const QByteArray &body)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement(m_db, "INSERT OR REPLACE INTO meta(key, value) VALUES('version', ?)").bindBlob(body).run();
}

bool Database::upsertTeam(const QString &id, const QString &name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Statement(m_db, "INSERT OR REPLACE INTO teams(id, name) VALUES(?, ?)").bind(id).bind(name).run();
}

bool Database::removeTeam(const QString &id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Statement(m_db, "UPDATE memberships SET removed = 1 WHERE team_id = ?").bind(id).run();
}

bool Database::addAccount(const QString &email, const QString &password)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Statement(m_db, "INSERT OR REPLACE INTO accounts(email, password) VALUES(?, ?)")
        .bind(email)
        .bind(password)
        .run();
}

bool Database::addMember(const QString &email, const QString &teamId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Statement(m_db, "INSERT INTO memberships(email, team_id) VALUES(?, ?) "
                           "ON CONFLICT(email, team_id) DO UPDATE SET removed = 0")
        .bind(email)
        .bind(teamId)
        .run();
}

bool Database::removeMember(const QString &email, const QString &teamId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Statement(m_db, "UPDATE memberships SET removed = 1 WHERE email = ? AND team_id = ?")
        .bind(email)
        .bind(teamId)
        .run();
}

bool Database::upsertTask(const QJsonObject &task, const QString &teamId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction transaction(m_db);
    return upsertTaskLocked(task, teamId, QDateTime::currentDateTime()) && transaction.commit();
}

bool Database::upsertTaskLocked(const QJsonObject &task, const QString &teamId, const QDateTime &now)
{
    const QString id = task[QStringLiteral("id")].toString();
    if (id.isEmpty() || !Statement(m_db, "INSERT OR IGNORE INTO tasks(id) VALUES(?)").bind(id).run())
        return false;
    for (const char *key : {"title", "deadline", "block", "last_comment"}) {
        const QString name = QLatin1String(key);
        if (!task.contains(name))
            continue;
        const QByteArray sql = "UPDATE tasks SET " + QByteArray(key) + " = ? WHERE id = ?";
        if (!Statement(m_db, sql.constData()).bind(seedDate(task[name].toString(), now)).bind(id).run())
            return false;
    }
    if (task.contains(QStringLiteral("importance")) && !Statement(m_db, "UPDATE tasks SET importance = ? WHERE id = ?")
                                                            .bind(qint64(task[QStringLiteral("importance")].toInt()))
                                                            .bind(id)
                                                            .run())
        return false;
    return teamId.isEmpty() || Statement(m_db, "INSERT INTO team_tasks(team_id, task_id) VALUES(?, ?) "
                                               "ON CONFLICT(team_id, task_id) DO UPDATE SET removed = 0")
                                   .bind(teamId)
                                   .bind(id)
                                   .run();
}

bool Database::removeTask(const QString &taskId, const QString &teamId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (teamId.isEmpty())
        return Statement(m_db, "UPDATE team_tasks SET removed = 1 WHERE task_id = ?").bind(taskId).run();
    return Statement(m_db, "UPDATE team_tasks SET removed = 1 WHERE task_id = ? AND team_id = ?")
        .bind(taskId)
        .bind(teamId)
        .run();
}

bool Database::setTaskDetails(const QString &taskId, const QJsonObject &details)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Statement(m_db, "INSERT OR REPLACE INTO task_details(task_id, details) VALUES(?, ?)")
        .bind(taskId)
        .bind(QString::fromUtf8(QJsonDocument(details).toJson(QJsonDocument::Compact)))
        .run();
}

QJsonArray Database::activities()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QJsonArray result;
    Statement rows(m_db, "SELECT email, team_id, task_id, active, past, version, received_at, recorded_at "
                         "FROM activities ORDER BY id");
    while (rows.next()) {
        result.append(QJsonObject{{QStringLiteral("email"), rows.text(0)},
                                  {QStringLiteral("team_id"), rows.text(1)},
                                  {QStringLiteral("task_id"), rows.text(2)},
                                  {QStringLiteral("active"), rows.integer(3)},
                                  {QStringLiteral("past"), rows.integer(4)},
                                  {QStringLiteral("version"), rows.text(5)},
                                  {QStringLiteral("received_at"), rows.text(6)},
                                  {QStringLiteral("recorded_at"), rows.text(7)}});
    }
    return result;
}

QJsonArray Database::screenshots()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QJsonArray result;
    Statement rows(m_db, "SELECT email, team_id, task_id, past, version, file_name, image, received_at, "
                         "recorded_at FROM screenshots ORDER BY id");
    while (rows.next()) {
        QJsonObject row{{QStringLiteral("email"), rows.text(0)},       {QStringLiteral("team_id"), rows.text(1)},
                        {QStringLiteral("task_id"), rows.text(2)},     {QStringLiteral("past"), rows.integer(3)},
                        {QStringLiteral("version"), rows.text(4)},     {QStringLiteral("fileName"), rows.text(5)},
                        {QStringLiteral("received_at"), rows.text(7)}, {QStringLiteral("recorded_at"), rows.text(8)}};
        row[QStringLiteral("file")] =
            rows.isNull(6) ? QJsonValue() : QJsonValue(QString::fromLatin1(rows.blob(6).toBase64()));
        result.append(row);
    }
    return result;
}

QJsonArray Database::deadlineRequests()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QJsonArray result;
    Statement rows(m_db, "SELECT email, task_id, dl_date, dl_time, message, received_at FROM deadline_requests "
                         "ORDER BY id");
    while (rows.next()) {
        result.append(QJsonObject{{QStringLiteral("email"), rows.text(0)},
                                  {QStringLiteral("task_id"), rows.text(1)},
                                  {QStringLiteral("dl_date"), rows.text(2)},
                                  {QStringLiteral("dl_time"), rows.isNull(3) ? QJsonValue() : rows.text(3)},
                                  {QStringLiteral("message"), rows.text(4)},
                                  {QStringLiteral("received_at"), rows.text(5)}});
    }
    return result;
}
