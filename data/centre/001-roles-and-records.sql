-- SPDX-FileCopyrightText: 2026 The Zentrova developers
-- SPDX-License-Identifier: GPL-3.0-or-later

-- A counselling centre's results, in a schema of their own. Everything
-- belongs to zentrova_owner, which cannot log in; seats and counsellors are
-- logins that the centre makes IN ROLE zentrova_seat or zentrova_counsellor.
-- Roles belong to the whole server, so they may exist already (another
-- database of the same server).
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'zentrova_owner') THEN
        CREATE ROLE zentrova_owner NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'zentrova_seat') THEN
        CREATE ROLE zentrova_seat NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'zentrova_counsellor') THEN
        CREATE ROLE zentrova_counsellor NOLOGIN;
    END IF;
    -- An administrator who is not a superuser (a database owner with
    -- CREATEROLE) acts as the owner to make its objects.
    IF NOT (SELECT rolsuper FROM pg_roles WHERE rolname = current_user) THEN
        EXECUTE format('GRANT zentrova_owner TO %I', current_user);
    END IF;
END
$$;

ALTER SCHEMA zentrova OWNER TO zentrova_owner;
ALTER TABLE zentrova.schema_version OWNER TO zentrova_owner;
REVOKE ALL ON SCHEMA zentrova FROM PUBLIC;
GRANT USAGE ON SCHEMA zentrova TO zentrova_seat, zentrova_counsellor;

-- The objects below are made as the owner, so that they are the owner's.
SET LOCAL ROLE zentrova_owner;

CREATE TABLE zentrova.records (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    uuid uuid NOT NULL UNIQUE,           -- given at the seat: a record sent twice is one row
    test_window text NOT NULL,           -- objectName of the test window
    caption text NOT NULL,
    finished timestamptz NOT NULL,
    utc_offset integer NOT NULL,         -- seconds east of UTC where it was finished
    elapsed_minutes integer,
    verdict text NOT NULL,
    person_code text NOT NULL,           -- the 测评码 typed at the seat
    seat_name text NOT NULL,             -- the room or seat the centre file names
    program_version text NOT NULL,
    bank_sha256 text NOT NULL,
    submitted_by name NOT NULL,          -- the login that sent it, stamped by the server
    received timestamptz NOT NULL        -- stamped by the server
);
CREATE INDEX records_by_finished ON zentrova.records (finished);

CREATE TABLE zentrova.figures (
    record bigint NOT NULL REFERENCES zentrova.records (id) ON DELETE CASCADE,
    position integer NOT NULL,
    name text NOT NULL,
    value text NOT NULL,
    PRIMARY KEY (record, position)
);

CREATE TABLE zentrova.answers (
    record bigint NOT NULL REFERENCES zentrova.records (id) ON DELETE CASCADE,
    position integer NOT NULL,
    item text NOT NULL,
    answer text NOT NULL,
    PRIMARY KEY (record, position)
);

-- Who a 测评码 stands for. Only counsellors read it; a seat never sees a name.
CREATE TABLE zentrova.roster (
    code text PRIMARY KEY,
    name text NOT NULL,
    class text NOT NULL DEFAULT ''
);

-- Every deleted record: who deleted it, when, and what it was.
CREATE TABLE zentrova.deletions (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    deleted_by name NOT NULL,
    deleted_at timestamptz NOT NULL,
    record_uuid uuid NOT NULL,
    what text NOT NULL
);

-- A seat hands in one record and learns only whether it was new. The
-- server, not the seat, says who sent it and when it came: a seat's own claim
-- (its seat name) is kept as a claim. Runs with the owner's rights, so that
-- seats need no right on any table (an INSERT-only grant would not allow
-- ON CONFLICT).
CREATE FUNCTION zentrova.submit_record_v1(
    p_uuid uuid, p_test_window text, p_caption text, p_finished timestamptz, p_utc_offset integer,
    p_elapsed_minutes integer, p_verdict text, p_person_code text, p_seat_name text,
    p_program_version text, p_bank_sha256 text,
    p_figures text[], p_answers text[])  -- name, value, name, value …
RETURNS boolean
LANGUAGE plpgsql
SECURITY DEFINER
SET search_path = zentrova, pg_temp
AS $$
DECLARE
    new_id bigint;
BEGIN
    IF coalesce(cardinality(p_figures), 0) % 2 <> 0 OR coalesce(cardinality(p_answers), 0) % 2 <> 0 THEN
        RAISE EXCEPTION 'figures and answers come in pairs' USING ERRCODE = '22023';
    END IF;
    INSERT INTO zentrova.records (uuid, test_window, caption, finished, utc_offset, elapsed_minutes, verdict,
                                  person_code, seat_name, program_version, bank_sha256, submitted_by, received)
    VALUES (p_uuid, p_test_window, p_caption, p_finished, p_utc_offset, p_elapsed_minutes, p_verdict,
            p_person_code, p_seat_name, p_program_version, p_bank_sha256, session_user, now())
    ON CONFLICT (uuid) DO NOTHING
    RETURNING id INTO new_id;
    IF new_id IS NULL THEN
        RETURN false;
    END IF;
    INSERT INTO zentrova.figures (record, position, name, value)
    SELECT new_id, i - 1, p_figures[2 * i - 1], p_figures[2 * i]
    FROM generate_series(1, coalesce(cardinality(p_figures), 0) / 2) AS i;
    INSERT INTO zentrova.answers (record, position, item, answer)
    SELECT new_id, i - 1, p_answers[2 * i - 1], p_answers[2 * i]
    FROM generate_series(1, coalesce(cardinality(p_answers), 0) / 2) AS i;
    RETURN true;
END
$$;
REVOKE EXECUTE ON FUNCTION zentrova.submit_record_v1 FROM PUBLIC;
GRANT EXECUTE ON FUNCTION zentrova.submit_record_v1 TO zentrova_seat;

-- What counsellors read: each record with the name and class of its code,
-- where the roster knows it (person_name NULL where it does not).
CREATE VIEW zentrova.record_list AS
SELECT r.id, r.uuid, r.test_window, r.caption, r.finished, r.utc_offset, r.elapsed_minutes, r.verdict,
       r.person_code, p.name AS person_name, p.class AS person_class,
       r.seat_name, r.submitted_by, r.received, r.program_version, r.bank_sha256
FROM zentrova.records r
LEFT JOIN zentrova.roster p ON p.code = r.person_code;

CREATE VIEW zentrova.record_figures AS
SELECT record, position, name, value FROM zentrova.figures;

CREATE VIEW zentrova.record_answers AS
SELECT record, position, item, answer FROM zentrova.answers;

CREATE VIEW zentrova.deletion_log AS
SELECT deleted_by, deleted_at, record_uuid, what FROM zentrova.deletions;

-- Deletes records and notes each one in the deletion log, in one
-- transaction; returns how many went.
CREATE FUNCTION zentrova.delete_records_v1(p_ids bigint[])
RETURNS integer
LANGUAGE plpgsql
SECURITY DEFINER
SET search_path = zentrova, pg_temp
AS $$
DECLARE
    gone integer;
BEGIN
    WITH removed AS (
        DELETE FROM zentrova.records WHERE id = ANY (p_ids)
        RETURNING uuid, caption, person_code, finished, submitted_by
    )
    INSERT INTO zentrova.deletions (deleted_by, deleted_at, record_uuid, what)
    SELECT session_user, now(), uuid,
           format('%s; %s; %s; %s', caption, person_code, finished, submitted_by)
    FROM removed;
    GET DIAGNOSTICS gone = ROW_COUNT;
    RETURN gone;
END
$$;
REVOKE EXECUTE ON FUNCTION zentrova.delete_records_v1 FROM PUBLIC;
GRANT EXECUTE ON FUNCTION zentrova.delete_records_v1 TO zentrova_counsellor;

GRANT SELECT ON zentrova.record_list, zentrova.record_figures, zentrova.record_answers, zentrova.deletion_log
    TO zentrova_counsellor;
GRANT SELECT, INSERT, UPDATE, DELETE ON zentrova.roster TO zentrova_counsellor;
