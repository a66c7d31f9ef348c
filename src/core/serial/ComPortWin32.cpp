// The port on the Windows communications interface: the device opened for overlapped
// transfers, each read and write waited for with a completion event and the cancel event.

#include "serial/TCustomComPort.h"

#include <windows.h>

#include "serial/ComPortWin32Dcb.h"

// Handles of kernel objects carry 32 significant bits, so the int the port keeps (and hands
// to the poller) holds one whole; HandleToLong / LongToHandle convert.
struct TCustomComPort::TSavedState
{
    HANDLE device = INVALID_HANDLE_VALUE;
};

namespace {

HANDLE cancelHandle(int value)
{
    return value == -1 ? nullptr : LongToHandle(value);
}

// A device that is gone (adapter pulled) has nothing left to purge.
bool isGoneDevice(DWORD err)
{
    return err == ERROR_DEVICE_NOT_CONNECTED || err == ERROR_BAD_COMMAND
           || err == ERROR_ACCESS_DENIED || err == ERROR_OPERATION_ABORTED
           || err == ERROR_INVALID_HANDLE;
}

// One overlapped transfer: its own manual-reset completion event, closed with it.
class Transfer
{
public:
    Transfer() { m_ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Transfer()
    {
        if (m_ov.hEvent)
            CloseHandle(m_ov.hEvent);
    }
    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;

    OVERLAPPED *record() { return m_ov.hEvent ? &m_ov : nullptr; }

    // Waits for the transfer to finish or the cancel event; a cancelled transfer is
    // aborted and waited for, so the buffer is free again when this returns. Returns false
    // when the wait or the result failed (GetLastError tells why); `done` is what moved.
    bool finish(HANDLE device, HANDLE cancel, DWORD &done, bool &cancelled)
    {
        const HANDLE waits[2] = {m_ov.hEvent, cancel};
        const DWORD w = WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, INFINITE);
        cancelled = w == WAIT_OBJECT_0 + 1;
        if (w == WAIT_FAILED)
            return false;
        if (cancelled) {
            CancelIoEx(device, &m_ov);
            if (!GetOverlappedResult(device, &m_ov, &done, TRUE))
                done = DWORD(m_ov.InternalHigh);
            return true;
        }
        if (GetOverlappedResult(device, &m_ov, &done, FALSE))
            return true;
        // A total time-out that ran out is the transfer's end, with what came: Windows reports
        // it as success, Wine as ERROR_TIMEOUT.
        if (GetLastError() != ERROR_TIMEOUT)
            return false;
        done = DWORD(m_ov.InternalHigh);
        return true;
    }

private:
    OVERLAPPED m_ov{};
};

// One read or write: `start` begins it on the transfer's record (ReadFile or WriteFile), then
// it is waited for. A failure to start or to finish is EComPort with `error` and the Windows
// error number. Returns what moved; `cancelled` tells a cancel event from the transfer's end.
template <typename Start>
DWORD transfer(HANDLE device, HANDLE cancel, int error, const QString &port, bool &cancelled,
               Start start)
{
    Transfer t;
    OVERLAPPED *ov = t.record();
    if (!ov)
        throw EComPort(CError_InvalidAsync, int(GetLastError()), port);
    if (!start(ov) && GetLastError() != ERROR_IO_PENDING)
        throw EComPort(error, int(GetLastError()), port);
    DWORD done = 0;
    if (!t.finish(device, cancel, done, cancelled))
        throw EComPort(error, int(GetLastError()), port);
    return done;
}

} // namespace

TCustomComPort::TCustomComPort() = default;

TCustomComPort::~TCustomComPort()
{
    try {
        Close();
    } catch (const EComPort &) {
        // Closing a port on its way out: the handle is released regardless.
    }
}

QString TCustomComPort::DeviceName() const
{
    // "\\.\COM10": the plain name reaches only COM1..COM9.
    return m_port.startsWith(QStringLiteral("\\\\")) ? m_port : QStringLiteral("\\\\.\\") + m_port;
}

void TCustomComPort::Open()
{
    if (m_connected)
        return;
    const QByteArray device = DeviceName().toLocal8Bit();
    const HANDLE h = CreateFileA(device.constData(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        OutputDebugStringA(QByteArray("CreateFile " + device).constData());
        throw EComPort(CError_OpenFailed, int(err), m_port);
    }
    auto saved = std::make_unique<TSavedState>();
    saved->device = h;
    m_handle = HandleToLong(h);
    m_saved = std::move(saved);
    m_connected = true;
    try {
        applyBuffer();
        applyLineSettings();
        applyTimeouts();
    } catch (const EComPort &) {
        releaseDevice();
        throw;
    }
}

void TCustomComPort::releaseDevice() noexcept
{
    CloseHandle(m_saved->device);
    m_handle = -1;
    m_saved.reset();
    m_connected = false;
}

void TCustomComPort::Close()
{
    if (!m_connected)
        return;
    const DWORD all = PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR;
    DWORD purgeErr = 0;
    if (!PurgeComm(m_saved->device, all)) {
        purgeErr = GetLastError();
        if (isGoneDevice(purgeErr))
            purgeErr = 0;
    }
    releaseDevice();
    if (purgeErr != 0)
        throw EComPort(CError_PurgeFailed, int(purgeErr), m_port);
}

void TCustomComPort::ClearBuffer(bool input, bool output)
{
    if (!input && !output)
        return;
    if (!m_connected)
        throw EComPort(CError_PurgeFailed, ERROR_INVALID_HANDLE, m_port);
    DWORD flags = 0;
    if (input)
        flags |= PURGE_RXABORT | PURGE_RXCLEAR;
    if (output)
        flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    if (!PurgeComm(m_saved->device, flags))
        throw EComPort(CError_PurgeFailed, int(GetLastError()), m_port);
}

void TCustomComPort::applyBuffer()
{
    if (!m_connected)
        return;
    if (!SetupComm(m_saved->device, DWORD(m_buffer.InputSize()), DWORD(m_buffer.OutputSize())))
        throw EComPort(CError_SetupComFailed, int(GetLastError()), m_port);
}

void TCustomComPort::applyTimeouts()
{
    if (!m_connected)
        return;
    // -1 is the all-ones value: no interval limit between bytes.
    const TComTimeouts &t = m_timeouts;
    COMMTIMEOUTS ct{};
    ct.ReadIntervalTimeout = DWORD(t.ReadInterval());
    ct.ReadTotalTimeoutMultiplier = DWORD(t.ReadTotalMultiplier());
    ct.ReadTotalTimeoutConstant = DWORD(t.ReadTotalConstant());
    ct.WriteTotalTimeoutMultiplier = DWORD(t.WriteTotalMultiplier());
    ct.WriteTotalTimeoutConstant = DWORD(t.WriteTotalConstant());
    if (!SetCommTimeouts(m_saved->device, &ct))
        throw EComPort(CError_TimeoutsFailed, int(GetLastError()), m_port);
}

void TCustomComPort::applyLineSettings()
{
    if (!m_connected)
        return;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!buildDcb(*this, dcb))
        throw EComPort(CError_SetStateFailed, ERROR_INVALID_PARAMETER, m_port);
    if (!SetCommState(m_saved->device, &dcb))
        throw EComPort(CError_SetStateFailed, int(GetLastError()), m_port);
}

int TCustomComPort::Write(const void *buffer, int count)
{
    if (!m_connected)
        throw EComPort(CError_WriteFailed, ERROR_INVALID_HANDLE, m_port);
    if (count <= 0)
        return 0;
    bool cancelled = false;
    const DWORD done = transfer(m_saved->device, cancelHandle(m_cancelFd), CError_WriteFailed,
                                m_port, cancelled, [&](OVERLAPPED *ov) {
                                    return WriteFile(m_saved->device, buffer, DWORD(count), nullptr,
                                                     ov);
                                });
    // The driver ends a write at its total time-out with what went out; the rest is lost.
    if (!cancelled && int(done) < count)
        throw EComPort(CError_WriteFailed, ERROR_TIMEOUT, m_port);
    return int(done);
}

int TCustomComPort::Read(void *buffer, int count)
{
    if (!m_connected)
        throw EComPort(CError_ReadFailed, ERROR_INVALID_HANDLE, m_port);
    if (count <= 0)
        return 0;
    bool cancelled = false;
    return int(transfer(m_saved->device, cancelHandle(m_cancelFd), CError_ReadFailed, m_port,
                        cancelled, [&](OVERLAPPED *ov) {
                            return ReadFile(m_saved->device, buffer, DWORD(count), nullptr, ov);
                        }));
}
