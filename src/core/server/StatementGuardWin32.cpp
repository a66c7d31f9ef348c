// The connection's socket on Windows: a socket has no inode, so it is told apart by its local
// address and port, which a later socket with the same number would not share; cut with
// shutdown().

#include "server/StatementGuard.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

std::optional<quint64> localEnd(SOCKET s)
{
    sockaddr_storage address{};
    int size = sizeof address;
    if (getsockname(s, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return std::nullopt;
    // The port and a hash of the address's bytes: enough to know the connection again.
    quint64 identity = 1469598103934665603ull;
    const auto *bytes = reinterpret_cast<const unsigned char *>(&address);
    for (int i = 0; i < size; ++i)
        identity = (identity ^ bytes[i]) * 1099511628211ull;
    return identity;
}

} // namespace

std::optional<quint64> StatementGuard::socketIdentity(int socket)
{
    if (socket < 0)
        return std::nullopt;
    return localEnd(SOCKET(socket));
}

bool StatementGuard::shutDown(int socket, quint64 identity)
{
    const std::optional<quint64> now = localEnd(SOCKET(socket));
    if (!now || *now != identity)
        return false;
    ::shutdown(SOCKET(socket), SD_BOTH);
    return true;
}
