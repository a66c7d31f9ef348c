// Journals of any content: parsing never fails hard, the records read re-encode to a journal
// that reads back the same, and a journal cut short never yields more (or other) records.

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

#include "FuzzCheck.h"
#include "results/TJournal.h"

namespace {

bool sameRecord(const TJournal::Record &a, const TJournal::Record &b)
{
    return a.type == b.type && a.fromFile == b.fromFile && a.fileName == b.fileName
           && a.row == b.row && a.line == b.line;
}

bool startsWith(const std::vector<TJournal::Record> &all,
                const std::vector<TJournal::Record> &part)
{
    if (part.size() > all.size())
        return false;
    for (size_t i = 0; i < part.size(); ++i) {
        if (!sameRecord(all[i], part[i]))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact-size copy, so that a read past the end is caught.
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::vector<TJournal::Record> records = TJournal::Parse(bytes);

    QByteArray encoded;
    for (const TJournal::Record &r : records) {
        FUZZ_CHECK(r.type == TJournal::Record::Base || r.type == TJournal::Record::Row);
        FUZZ_CHECK(r.row >= 0);
        encoded.append(TJournal::Encode(r));
    }
    const std::vector<TJournal::Record> again = TJournal::Parse(encoded);
    FUZZ_CHECK(again.size() == records.size());
    FUZZ_CHECK(startsWith(again, records));
    // What a clean journal holds parses back to the byte.
    QByteArray twice;
    for (const TJournal::Record &r : again)
        twice.append(TJournal::Encode(r));
    FUZZ_CHECK(twice == encoded);

    // Prefixes: a torn write at any point keeps the records before it.
    const size_t cuts[] = {size / 2, size ? size - 1 : 0, size > 9 ? size_t(9) : size_t(0)};
    for (size_t cut : cuts) {
        const QByteArray part(reinterpret_cast<const char *>(data), static_cast<qsizetype>(cut));
        FUZZ_CHECK(startsWith(records, TJournal::Parse(part)));
    }
    // Anything appended after good records keeps them too.
    QByteArray longer = encoded;
    longer.append(bytes);
    FUZZ_CHECK(startsWith(TJournal::Parse(longer), records));
    return 0;
}
