#include "server/ServerChain.h"

#include "archive/TArchiveChain.h"

namespace {

QString recordBytesBody()
{
    QStringList parts;
    for (const TArchiveChain::Column &c : TArchiveChain::fields()) {
        const char *f = "reg01_t";
        switch (c.field) {
        case TArchiveChain::Field::Text:
            break;
        case TArchiveChain::Field::BigInt:
        case TArchiveChain::Field::Integer:
            f = "reg01_i";
            break;
        case TArchiveChain::Field::Real:
            f = "reg01_d";
            break;
        case TArchiveChain::Field::Bytes:
            f = "reg01_b";
            break;
        }
        parts << QStringLiteral("%1(r.%2)").arg(QString::fromLatin1(f), c.name);
    }
    return parts.join(QStringLiteral(" || "));
}

const QString Zeros = QStringLiteral("decode(repeat('00', 32), 'hex')");

} // namespace

namespace ServerChain {

QStringList version2()
{
    const QString fn = QStringLiteral("CREATE OR REPLACE FUNCTION %1 RETURNS bytea LANGUAGE sql "
                                      "IMMUTABLE PARALLEL SAFE AS $$ SELECT %2 $$");
    const QString present = QStringLiteral("CASE WHEN x IS NULL THEN '\\x00'::bytea ELSE "
                                           "'\\x01'::bytea || %1 END");
    return {
        QStringLiteral("ALTER TABLE reg01_records ADD COLUMN prev bytea, ADD COLUMN hash bytea"),
        fn.arg(QStringLiteral("reg01_t(x text)"),
               present.arg(QStringLiteral("int4send(octet_length(convert_to(x, 'UTF8'))) || "
                                          "convert_to(x, 'UTF8')"))),
        fn.arg(QStringLiteral("reg01_b(x bytea)"),
               present.arg(QStringLiteral("int4send(length(x)) || x"))),
        fn.arg(QStringLiteral("reg01_i(x bigint)"), present.arg(QStringLiteral("int8send(x)"))),
        // Adding zero makes minus zero zero, as the station writes it.
        fn.arg(QStringLiteral("reg01_d(x double precision)"),
               present.arg(QStringLiteral("float8send(x + 0::double precision)"))),
        fn.arg(QStringLiteral("reg01_record_bytes(r reg01_records)"), recordBytesBody()),
        fn.arg(QStringLiteral("reg01_record_hash(r reg01_records)"),
               QStringLiteral("sha256(r.prev || reg01_record_bytes(r))")),
        // The records a version-1 server holds, chained in the order of their numbers; after a
        // number missing, a station's records stay unchained.
        QStringLiteral("DO $$ DECLARE r reg01_records; was reg01_records; BEGIN "
                       "FOR r IN SELECT * FROM reg01_records ORDER BY station, seq LOOP "
                       "r.prev := CASE WHEN r.seq = 1 THEN %1 "
                       "WHEN was.station = r.station AND was.seq = r.seq - 1 THEN was.hash END; "
                       "r.hash := reg01_record_hash(r); "
                       "UPDATE reg01_records SET prev = r.prev, hash = r.hash "
                       "WHERE station = r.station AND seq = r.seq; "
                       "was := r; END LOOP; END $$")
            .arg(Zeros),
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION reg01_chain_check() RETURNS trigger LANGUAGE plpgsql "
            "VOLATILE AS $$ DECLARE held bytea; before bytea; BEGIN "
            "SELECT hash INTO held FROM reg01_records WHERE station = NEW.station "
            "AND seq = NEW.seq; "
            "IF FOUND THEN "
            "  IF held = NEW.hash THEN RETURN NULL; END IF; "
            "  RAISE EXCEPTION 'record % of station % is another record here', NEW.seq, "
            "NEW.station USING ERRCODE = '%2'; "
            "END IF; "
            "IF NEW.seq = 1 THEN before := %1; ELSE "
            "  SELECT hash INTO before FROM reg01_records WHERE station = NEW.station "
            "  AND seq = NEW.seq - 1; "
            "END IF; "
            "IF before IS NULL OR NEW.prev IS DISTINCT FROM before "
            "OR NEW.hash IS DISTINCT FROM reg01_record_hash(NEW) THEN "
            "  RAISE EXCEPTION 'record % of station % does not continue its chain', NEW.seq, "
            "NEW.station USING ERRCODE = '%3'; "
            "END IF; RETURN NEW; END $$")
            .arg(Zeros, ConflictState, ChainState),
        QStringLiteral("CREATE TRIGGER reg01_records_chain BEFORE INSERT ON reg01_records "
                       "FOR EACH ROW EXECUTE FUNCTION reg01_chain_check()"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS reg01_station_roles (role name NOT NULL, "
                       "station text NOT NULL, PRIMARY KEY (role, station))"),
        // The stations need no right on the table of rights: the policy asks through this.
        QStringLiteral("CREATE OR REPLACE FUNCTION reg01_may_write(who name, st text) "
                       "RETURNS boolean LANGUAGE sql STABLE SECURITY DEFINER "
                       "SET search_path = pg_catalog, public AS $$ "
                       "SELECT who::text = st OR EXISTS (SELECT 1 FROM reg01_station_roles m "
                       "WHERE m.role = who AND m.station = st) $$"),
        QStringLiteral("ALTER TABLE reg01_records ENABLE ROW LEVEL SECURITY"),
        QStringLiteral("CREATE POLICY reg01_read ON reg01_records FOR SELECT USING (true)"),
        QStringLiteral("CREATE POLICY reg01_add ON reg01_records FOR INSERT "
                       "WITH CHECK (reg01_may_write(current_user, station))"),
        QStringLiteral("UPDATE reg01_schema SET version = 2"),
    };
}

} // namespace ServerChain
