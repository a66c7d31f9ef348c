#pragma once

// A rate table's file as a lab saves it from a spreadsheet: UTF-8 (with or without the byte
// order mark), or Windows-1251 when the bytes are not valid UTF-8, as older spreadsheets save
// "CSV (разделители — точка с запятой)".

#include <QString>

namespace RateCsvFile {

// A rate table is a few dozen lines; a file far larger is not one.
constexpr qint64 MaxSize = 1024 * 1024;

struct Read
{
    bool ok = false;
    QString text;
    bool cp1251 = false;
    QString error; // why it could not be read, in Russian
};

Read read(const QString &path);
// The text of the bytes, as read() decodes them.
QString decode(const QByteArray &bytes, bool *cp1251);

} // namespace RateCsvFile
