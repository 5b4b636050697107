#include "HttpResponseParser.h"

#include <QByteArrayList>

bool HttpResponseParser::feed(const QByteArray &bytes)
{
    m_started = m_started || !bytes.isEmpty();
    m_buffer += bytes;
    if (!m_headDone) {
        const bool complete = readHead();
        if (!m_problem.isEmpty())
            return true;
        if (!complete)
            return false;
    }
    switch (m_framing) {
    case Framing::Length:
        if (m_buffer.size() < m_length)
            return false;
        m_body = m_buffer.left(m_length);
        return true;
    case Framing::Chunked:
        return readChunks();
    case Framing::UntilClose:
        if (m_buffer.size() > maximumBodySize)
            return fail(QStringLiteral("The reply is larger than %1 bytes.").arg(maximumBodySize));
        return false;
    }
    return false;
}

bool HttpResponseParser::closed()
{
    if (!m_headDone || m_framing != Framing::UntilClose || !m_problem.isEmpty())
        return false;
    m_body = m_buffer;
    return true;
}

bool HttpResponseParser::readHead()
{
    for (;;) {
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_buffer.size() > maximumHeadSize)
                return fail(QStringLiteral("The reply's headers are too long."));
            return false;
        }
        const QByteArrayList lines = m_buffer.left(end).split('\n');
        m_buffer.remove(0, end + 4);
        const QByteArrayList statusLine = lines.first().trimmed().split(' ');
        bool numeric = false;
        m_status = statusLine.value(1).toInt(&numeric);
        if (!statusLine.first().startsWith("HTTP/1.") || !numeric || m_status < 100 || m_status > 599)
            return fail(QStringLiteral("The reply is not HTTP."));
        if (m_status < 200)
            continue;
        m_keepAlive = statusLine.first() == "HTTP/1.1";
        m_framing = m_status == 204 || m_status == 304 ? Framing::Length : Framing::UntilClose;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            const QByteArray name = lines[i].left(colon).trimmed().toLower();
            const QByteArray value = lines[i].mid(colon + 1).trimmed().toLower();
            if (name == "transfer-encoding" && value.endsWith("chunked")) {
                m_framing = Framing::Chunked;
            } else if (name == "content-length" && m_framing != Framing::Chunked) {
                bool ok = false;
                m_length = value.toLongLong(&ok);
                if (!ok || m_length < 0 || m_length > maximumBodySize)
                    return fail(QStringLiteral("The reply's length is not usable."));
                m_framing = Framing::Length;
            } else if (name == "connection" && value.contains("close")) {
                m_keepAlive = false;
            }
        }
        // Without a length the body ends with the connection.
        m_keepAlive = m_keepAlive && m_framing != Framing::UntilClose;
        m_headDone = true;
        return true;
    }
}

bool HttpResponseParser::readChunks()
{
    for (;;) {
        const qsizetype lineEnd = m_buffer.indexOf("\r\n");
        if (lineEnd < 0)
            return false;
        if (m_inTrailers) {
            m_buffer.remove(0, lineEnd + 2);
            if (lineEnd == 0)
                return true;
            continue;
        }
        bool ok = false;
        const qsizetype size = m_buffer.left(lineEnd).split(';').first().trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || m_body.size() + size > maximumBodySize)
            return fail(QStringLiteral("The reply's chunks are not usable."));
        if (size == 0) {
            m_buffer.remove(0, lineEnd + 2);
            m_inTrailers = true;
            continue;
        }
        if (m_buffer.size() < lineEnd + 2 + size + 2)
            return false;
        m_body += m_buffer.mid(lineEnd + 2, size);
        m_buffer.remove(0, lineEnd + 2 + size + 2);
    }
}

bool HttpResponseParser::fail(const QString &problem)
{
    m_problem = problem;
    return true;
}
