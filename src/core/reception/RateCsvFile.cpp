#include "reception/RateCsvFile.h"

#include <QFile>
#include <QStringDecoder>

#include "text/Cp1251.h"
#include "text/ReadAtMost.h"
#include "text/ReceptionStrings.h"
#include "text/SafeFile.h"

namespace RateCsvFile {

QString decode(const QByteArray &bytes, bool *cp1251)
{
    // A leading byte order mark is left out.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    *cp1251 = utf8.hasError();
    if (*cp1251)
        text = Cp1251::decode(bytes);
    return text;
}

Read read(const QString &path)
{
    Read r;
    QFile file;
    if (!SafeFile::openForReading(file, path, &r.error))
        return r;
    const QByteArray bytes = ReadAtMost(file, MaxSize);
    if (file.error() != QFileDevice::NoError) {
        r.error = file.errorString();
        return r;
    }
    if (bytes.size() > MaxSize) {
        r.error = ReceptionStrings::RateTooLarge;
        return r;
    }
    r.text = decode(bytes, &r.cp1251);
    r.ok = true;
    return r;
}

} // namespace RateCsvFile
