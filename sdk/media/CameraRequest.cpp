#include "CameraRequest.h"

#include "VtIpcSDK.h"

#include <chrono>
#include <vector>

namespace vtmedia {

int SendRequestHead(vtclient::CameraSession& session, std::string_view method, const std::string& target,
                    const std::string& extraHeaders, int connectMs, int ioMs, TcpConnection& connection)
{
    std::string authorization;
    if (const int error = session.StreamAuthorization(method, target, authorization); error != VT_ERR_NONE) {
        return error;
    }
    if (connection.Connect(session.Address(), session.Port(), connectMs) != IoResult::Ok) {
        return VT_ERR_UNREACHABLE;
    }
    std::string head;
    head.append(method).append(" ").append(target).append(" HTTP/1.1\r\nHost: ").append(session.Address());
    if (session.Port() != 80) {
        head.append(":").append(std::to_string(session.Port()));
    }
    head.append("\r\nUser-Agent: VtIpcSDK/1\r\nConnection: close\r\nAuthorization: ")
        .append(authorization)
        .append("\r\n")
        .append(extraHeaders)
        .append("\r\n");
    return connection.SendAll(head, ioMs) == IoResult::Ok ? static_cast<int>(VT_ERR_NONE)
                                                          : static_cast<int>(VT_ERR_UNREACHABLE);
}

IoResult ReadAnswerHead(TcpConnection& connection, AnswerHeadReader& reader, int waitMs)
{
    // The whole head within the wait, however slowly its bytes trickle in.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    std::vector<char> buffer(16 * 1024);
    while (reader.Current() == AnswerHeadReader::State::NeedMore) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return IoResult::TimedOut;
        }
        size_t received = 0;
        const IoResult result =
            connection.Receive(buffer.data(), buffer.size(), received, static_cast<int>(left.count()));
        if (result != IoResult::Ok) {
            return result;
        }
        reader.Feed(std::string_view(buffer.data(), received));
    }
    return reader.Current() == AnswerHeadReader::State::Done ? IoResult::Ok : IoResult::Failed;
}

int HeadlessError(const AnswerHeadReader& reader)
{
    return reader.Current() == AnswerHeadReader::State::Failed ? VT_ERR_PROTOCOL : VT_ERR_UNREACHABLE;
}

} // namespace vtmedia
