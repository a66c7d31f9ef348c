#pragma once

#include <stdexcept>

#include <QString>

// Error codes of the serial port.
enum : int {
    CError_OpenFailed = 1,
    CError_WriteFailed = 2,
    CError_ReadFailed = 3,
    CError_InvalidAsync = 4,
    CError_PurgeFailed = 5,
    CError_AsyncCheck = 6,
    CError_SetStateFailed = 7,
    CError_TimeoutsFailed = 8,
    CError_SetupComFailed = 9,
    CError_ConnChangeProp = 14,
};

// A failure of the serial port: the port's code, the system's errno and the port name.
// Message: "COM Port Error: " + text of the code + " on " + port.
class EComPort : public std::runtime_error
{
public:
    EComPort(int code, int winCode, const QString &port);

    int Code() const { return m_code; }
    int WinCode() const { return m_winCode; } // errno of the failed call, 0 if none
    QString Port() const { return m_port; }
    QString Message() const { return QString::fromUtf8(what()); }

    static QString codeText(int code); // "Unknown Error #N" for codes outside the table

private:
    int m_code;
    int m_winCode;
    QString m_port;
};
