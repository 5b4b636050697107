#pragma once

#include <QByteArray>
#include <QString>

// One HTTP/1.1 response read as its bytes arrive: the status line, the headers, and a body framed
// by Content-Length, by chunks, or by the end of the connection. Interim 1xx responses are skipped.
class HttpResponseParser
{
public:
    // Takes more bytes; true when the response is complete (or malformed: see problem()).
    bool feed(const QByteArray &bytes);
    // The peer closed the connection; true when that completes the response.
    bool closed();

    bool hasStarted() const { return m_started; }
    int status() const { return m_status; }
    const QByteArray &body() const { return m_body; }
    // Why the bytes are not a response; empty when they are.
    const QString &problem() const { return m_problem; }
    // Whether the connection may carry the next request.
    bool keepsAlive() const { return m_keepAlive && m_problem.isEmpty(); }

    static constexpr qsizetype maximumHeadSize = 64 * 1024;
    static constexpr qsizetype maximumBodySize = 16 * 1024 * 1024;

private:
    enum class Framing { Length, Chunked, UntilClose };

    bool readHead();
    bool readChunks();
    bool fail(const QString &problem);

    QByteArray m_buffer;
    QByteArray m_body;
    QString m_problem;
    Framing m_framing = Framing::UntilClose;
    qsizetype m_length = 0;
    int m_status = 0;
    bool m_started = false;
    bool m_headDone = false;
    bool m_inTrailers = false;
    bool m_keepAlive = false;
};
