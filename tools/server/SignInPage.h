#pragma once

#include "DevReply.h"
#include "DevRequest.h"

#include <QObject>

#include <functional>

class IdentityProvider;
class QThreadPool;
class ServerDatabase;

// The authorize endpoint of orvanta-server: a small page in the user's browser that asks for a
// user name and passphrase, and hands the application a code only for the right pair.
class SignInPage : public QObject
{
    Q_OBJECT
public:
    using Responder = std::function<void(const DevReply &)>;

    // The pool that checks passphrases is the process's, shared by its workers.
    SignInPage(IdentityProvider &identity, ServerDatabase &database, QThreadPool &hashing, QObject *parent = nullptr);

    // GET: the form for a well-formed authorize request.
    DevReply show(const DevRequest &request) const;
    // POST: checks the passphrase off the event loop, then redirects with a code or shows the form again.
    void submit(const DevRequest &request, const Responder &respond);

private:
    DevReply form(int status, const QString &encodedQuery, const QString &userName, const QString &notice) const;

    IdentityProvider &m_identity;
    ServerDatabase &m_database;
    QThreadPool &m_hashing;
};
