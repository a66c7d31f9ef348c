#pragma once

// The recovery journal of a registration window: every change to the table that is not yet in
// its results file is appended here and flushed to the disk before it shows on screen, so that
// a crash or a power cut costs no measured result.
//
// Record: u32 payload length (LE), u8 type, payload, u32 CRC-32 of type and payload (LE).
// A torn or damaged record ends the readable part; everything before it is kept.

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "results/TFileStamp.h"

class TJournal
{
public:
    struct Record
    {
        // Archived records come after the kinds the journal always had: a journal of an earlier
        // version reads as it always did, and an earlier reader keeps what stands before the
        // first of them.
        enum Type : uint8_t { Base = 1, Row = 2, Archived = 3 };
        Type type = Base;
        // Base: the table started from this results file (fromFile) or as a new empty table.
        bool fromFile = false;
        QString fileName;
        // What that file was then; journals of earlier versions of the program have none.
        bool stamped = false;
        TFileStamp stamp;
        // Row: the whole grid row `row` (cells TAB-joined, Windows-1251) as it now stands.
        // Archived: a record for the archive (the session layer's encoding), taken at row.
        int row = 0;
        QByteArray line;
    };

    TJournal() = default;
    ~TJournal();
    TJournal(const TJournal &) = delete;
    TJournal &operator=(const TJournal &) = delete;

    static QByteArray Encode(const Record &record);
    // The records up to the first torn or damaged one.
    static std::vector<Record> Parse(QByteArrayView data);
    static uint32_t crc32(QByteArrayView data);

    // Opens (creating) and locks the journal. False when another running copy of the program
    // holds it (Busy()), or it cannot be opened; ErrorString() says why, in Russian.
    bool Open(const QString &path);
    bool IsOpen() const { return m_fd >= 0; }
    bool Busy() const { return m_busy; }
    // Why the last Open or write failed.
    QString ErrorString() const { return m_error; }
    QString Path() const { return m_path; }
    std::vector<Record> ReadAll() const;
    // Empties the journal and starts it with a base record.
    bool Reset(const Record &base);
    bool Append(const Record &record);
    // Several records in one write.
    bool appendRecords(const std::vector<Record> &records);
    // Reset with a base record: the table starts from a results file (fromFile) or as a new
    // table under fileName.
    bool startFrom(bool fromFile, const QString &fileName, const TFileStamp &stamp);
    // Append of a row record: grid row `row` as it now stands.
    bool appendRow(int row, const QByteArray &line);
    // Empties the journal: nothing is unsaved.
    bool Clear();
    void Close();

private:
    bool writeAll(const QByteArray &bytes);
    bool failed(int error);

    int m_fd = -1;
    QString m_path;
    QString m_error;
    bool m_busy = false;
};
