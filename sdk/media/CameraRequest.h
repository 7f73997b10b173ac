#pragma once
// One authenticated request on a connection of its own, for the transfers
// that stream (files, live video): the head goes out, the caller sends any
// body, and the answer's head is read within the bounds of every answer.
#include "AnswerHeadReader.h"
#include "CameraSession.h"
#include "TcpConnection.h"

#include <string>
#include <string_view>

namespace vtmedia {

// Connects and sends the request head with the session's Authorization and
// `extraHeaders` (each line ending in CRLF). A VtSdkError.
int SendRequestHead(vtclient::CameraSession& session, std::string_view method, const std::string& target,
                    const std::string& extraHeaders, int connectMs, int ioMs, TcpConnection& connection);

// Reads until `reader` holds a whole head, for at most `waitMs` in all;
// IoResult::Failed when the head broke a rule or a bound.
IoResult ReadAnswerHead(TcpConnection& connection, AnswerHeadReader& reader, int waitMs);

// The last-error code of an answer that ended before its head was whole.
int HeadlessError(const AnswerHeadReader& reader);

} // namespace vtmedia
