// The connection's socket on POSIX: told apart by its inode, cut with shutdown().

#include "server/StatementGuard.h"

#include <sys/socket.h>
#include <sys/stat.h>

std::optional<quint64> StatementGuard::socketIdentity(int socket)
{
    struct stat st = {};
    if (socket < 0 || ::fstat(socket, &st) != 0)
        return std::nullopt;
    return quint64(st.st_ino);
}

bool StatementGuard::shutDown(int socket, quint64 identity)
{
    struct stat st = {};
    if (::fstat(socket, &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_ino != identity)
        return false;
    ::shutdown(socket, SHUT_RDWR);
    return true;
}
