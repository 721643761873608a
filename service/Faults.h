#pragma once

#include <QJsonArray>
#include <QByteArray>
#include <QString>

#include <map>
#include <mutex>
#include <optional>

/// Faults that tests arm for the next requests of one path.
class Faults
{
public:
    enum class Kind
    {
        Stall,         ///< wait, then answer normally
        Close,         ///< send the headers, then close the connection
        Html,          ///< answer an HTML page (a tab, then "<!DOCTYPE")
        DatabaseError, ///< answer the database-error text in Windows-1251
        InvalidLogin,  ///< answer the invalid-login envelope
        Body,          ///< answer the given body
    };

    struct Fault
    {
        Kind kind = Kind::Stall;
        int count = 1;
        double seconds = 0;
        QByteArray body;
    };

    static std::optional<Kind> kindFromName(const QString &name);

    /// Arms \a fault for the next fault.count requests of \a path; replaces
    /// what was armed for it.
    void arm(const QString &path, const Fault &fault);
    /// Takes one armed fault for \a path, if any.
    std::optional<Fault> take(const QString &path);
    void clear();

private:
    std::mutex m_mutex;
    std::map<QString, Fault> m_armed;
};
