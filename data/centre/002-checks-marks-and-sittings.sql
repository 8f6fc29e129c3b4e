-- SPDX-FileCopyrightText: 2026 The Zentrova developers
-- SPDX-License-Identifier: GPL-3.0-or-later

-- The server takes only what can be true, keeps where each record came from
-- and what is doubtful about it, and keeps its database to its own centre.
--
-- A refusal of submit_record_v1 is final for that record (the seat sets it
-- aside and goes on) when its SQLSTATE is of class 22 or 23:
--   22004  a value that must be given is missing
--   22001  a text is longer than the server keeps
--   22021  a name, code or number holds a control character
--   22008  the time finished is not finite, before 2000, or later than a day after it arrived
--   22003  the UTC offset is beyond ±14 hours, or the minutes taken beyond a week
--   22023  figures or answers not in pairs, or not as many answers as the test has items
--   23503  a test the server does not know
-- Any other SQLSTATE (08 connection, 40 conflict, 53 resources, 57 cancel or
-- shutdown, 42501 rights) says nothing about the record: send it again later.

-- Only this centre's groups may connect; the administrator owns the
-- database and the superuser may always. Counsellors stage a roster import
-- in a temporary table; seats make nothing.
DO $$
BEGIN
    EXECUTE format('REVOKE CONNECT, TEMPORARY ON DATABASE %I FROM PUBLIC', current_database());
    EXECUTE format('GRANT CONNECT ON DATABASE %I TO zentrova_seat, zentrova_counsellor', current_database());
    EXECUTE format('GRANT TEMPORARY ON DATABASE %I TO zentrova_counsellor', current_database());
END
$$;

SET LOCAL ROLE zentrova_owner;

-- The tests a seat may hand in and how many answers each has; zentrova-centre
-- fills it from the question bank on init and upgrade.
CREATE TABLE zentrova.tests (
    test_window text PRIMARY KEY CHECK (length(test_window) <= 64),
    title text NOT NULL CHECK (length(title) <= 200),      -- the bank's table
    answers integer NOT NULL CHECK (answers BETWEEN 0 AND 1000),
    answers_exact boolean NOT NULL                          -- false: a sheet may leave items out
);

-- A time in which a class sits some tests (测评场次). A result outside every
-- sitting, or of a code that is not in the sitting's class, is kept and marked.
CREATE TABLE zentrova.sittings (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    class text NOT NULL CHECK (length(class) <= 64),
    tests text[],                                           -- NULL: every test
    opens timestamptz NOT NULL CHECK (isfinite(opens)),
    closes timestamptz NOT NULL CHECK (isfinite(closes) AND closes > opens),
    opened_by name NOT NULL,
    closed_by name
);

-- Where a record came from beyond what 001 kept: the class its code was in
-- when it arrived, the sitting it was taken in, and the server's marks.
ALTER TABLE zentrova.records
    ADD COLUMN person_class text,
    ADD COLUMN sitting bigint REFERENCES zentrova.sittings (id),
    ADD COLUMN marks text[] NOT NULL DEFAULT '{}';
CREATE INDEX records_by_code ON zentrova.records (person_code, test_window);
CREATE INDEX deletions_by_uuid ON zentrova.deletions (record_uuid);

-- NOT VALID: rows from before these checks stay, and are read as damaged.
ALTER TABLE zentrova.records
    ADD CONSTRAINT records_finished CHECK (isfinite(finished) AND finished >= '2000-01-01 00:00+00'
                                           AND finished <= received + interval '1 day') NOT VALID,
    ADD CONSTRAINT records_utc_offset CHECK (utc_offset BETWEEN -50400 AND 50400) NOT VALID,
    ADD CONSTRAINT records_elapsed CHECK (elapsed_minutes BETWEEN 0 AND 10080) NOT VALID,
    ADD CONSTRAINT records_texts CHECK (length(test_window) <= 64 AND length(caption) <= 200 AND length(verdict) <= 4000
                                        AND length(person_code) <= 32 AND length(seat_name) <= 100
                                        AND length(program_version) <= 32 AND length(bank_sha256) <= 64) NOT VALID;
ALTER TABLE zentrova.figures
    ADD CONSTRAINT figures_texts CHECK (length(name) <= 64 AND length(value) <= 4000) NOT VALID;
ALTER TABLE zentrova.answers
    ADD CONSTRAINT answers_texts CHECK (length(item) <= 32 AND length(answer) <= 1000) NOT VALID;
ALTER TABLE zentrova.roster
    ADD CONSTRAINT roster_texts CHECK (length(code) <= 32 AND length(name) <= 64 AND length(class) <= 64
                                       AND code || name || class !~ E'[\\x01-\\x1f\\x7f]') NOT VALID;

-- Every change of the roster: who made it and when. Written in bulk by an
-- import and read rarely, so without an index.
CREATE TABLE zentrova.roster_changes (
    id bigint GENERATED ALWAYS AS IDENTITY,
    changed_by name NOT NULL,
    changed_at timestamptz NOT NULL,
    code text NOT NULL,
    old_name text,                                          -- NULL: added
    old_class text,
    new_name text,                                          -- NULL: removed
    new_class text
);

CREATE FUNCTION zentrova.log_roster_change()
RETURNS trigger
LANGUAGE plpgsql
SECURITY DEFINER
SET search_path = zentrova, pg_temp
AS $$
BEGIN
    IF TG_OP = 'INSERT' THEN
        INSERT INTO zentrova.roster_changes (changed_by, changed_at, code, new_name, new_class)
        SELECT session_user, now(), code, name, class FROM new_rows;
    ELSIF TG_OP = 'DELETE' THEN
        INSERT INTO zentrova.roster_changes (changed_by, changed_at, code, old_name, old_class)
        SELECT session_user, now(), code, name, class FROM old_rows;
    ELSE
        INSERT INTO zentrova.roster_changes (changed_by, changed_at, code, old_name, old_class, new_name, new_class)
        SELECT session_user, now(), n.code, o.name, o.class, n.name, n.class
        FROM new_rows n JOIN old_rows o USING (code)
        WHERE (o.name, o.class) IS DISTINCT FROM (n.name, n.class);
    END IF;
    RETURN NULL;
END
$$;
CREATE TRIGGER roster_added AFTER INSERT ON zentrova.roster REFERENCING NEW TABLE AS new_rows
    FOR EACH STATEMENT EXECUTE FUNCTION zentrova.log_roster_change();
CREATE TRIGGER roster_changed AFTER UPDATE ON zentrova.roster REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows
    FOR EACH STATEMENT EXECUTE FUNCTION zentrova.log_roster_change();
CREATE TRIGGER roster_removed AFTER DELETE ON zentrova.roster REFERENCING OLD TABLE AS old_rows
    FOR EACH STATEMENT EXECUTE FUNCTION zentrova.log_roster_change();

-- A counsellor's word that a marked record may count: who, when, and what
-- the marks were. Kept after the record is deleted.
CREATE TABLE zentrova.acceptances (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    record_uuid uuid NOT NULL,
    accepted_by name NOT NULL,
    accepted_at timestamptz NOT NULL,
    marks text[] NOT NULL
);
CREATE INDEX acceptances_by_uuid ON zentrova.acceptances (record_uuid);

-- Raises the SQLSTATEs above for a text that is too long, or that holds a
-- control character where a single line is wanted.
CREATE FUNCTION zentrova.check_text(p_what text, p_text text, p_longest integer, p_one_line boolean)
RETURNS void
LANGUAGE plpgsql
IMMUTABLE
SET search_path = zentrova, pg_temp
AS $$
BEGIN
    IF p_text IS NULL THEN
        RAISE EXCEPTION '% is missing', p_what USING ERRCODE = '22004';
    END IF;
    IF length(p_text) > p_longest THEN
        RAISE EXCEPTION '% is longer than % characters', p_what, p_longest USING ERRCODE = '22001';
    END IF;
    IF p_one_line AND p_text ~ E'[\\x01-\\x1f\\x7f]' THEN
        RAISE EXCEPTION '% holds a control character', p_what USING ERRCODE = '22021';
    END IF;
END
$$;

CREATE OR REPLACE FUNCTION zentrova.submit_record_v1(
    p_uuid uuid, p_test_window text, p_caption text, p_finished timestamptz, p_utc_offset integer,
    p_elapsed_minutes integer, p_verdict text, p_person_code text, p_seat_name text,
    p_program_version text, p_bank_sha256 text,
    p_figures text[], p_answers text[])
RETURNS boolean
LANGUAGE plpgsql
SECURITY DEFINER
SET search_path = zentrova, pg_temp
AS $$
DECLARE
    new_id bigint;
    known_test zentrova.tests;
    answer_count integer := coalesce(cardinality(p_answers), 0) / 2;
    code_class text;
    chosen zentrova.sittings;
    found_marks text[] := '{}';
    k integer;
BEGIN
    IF p_uuid IS NULL THEN
        RAISE EXCEPTION 'the record has no uuid' USING ERRCODE = '22004';
    END IF;
    -- Known already, or deleted: acknowledged, so that the seat stops sending it.
    IF EXISTS (SELECT FROM zentrova.records WHERE uuid = p_uuid)
       OR EXISTS (SELECT FROM zentrova.deletions WHERE record_uuid = p_uuid) THEN
        RETURN false;
    END IF;

    PERFORM zentrova.check_text('test_window', p_test_window, 64, true);
    PERFORM zentrova.check_text('caption', p_caption, 200, true);
    PERFORM zentrova.check_text('verdict', p_verdict, 4000, false);
    PERFORM zentrova.check_text('person_code', p_person_code, 32, true);
    PERFORM zentrova.check_text('seat_name', p_seat_name, 100, true);
    PERFORM zentrova.check_text('program_version', p_program_version, 32, true);
    PERFORM zentrova.check_text('bank_sha256', p_bank_sha256, 64, true);
    IF p_finished IS NULL OR NOT isfinite(p_finished) OR p_finished < '2000-01-01 00:00+00'
       OR p_finished > now() + interval '1 day' THEN
        RAISE EXCEPTION 'finished % is not a time a test was taken', p_finished USING ERRCODE = '22008';
    END IF;
    IF p_utc_offset IS NULL OR p_utc_offset NOT BETWEEN -50400 AND 50400 THEN
        RAISE EXCEPTION 'UTC offset % seconds is beyond 14 hours', p_utc_offset USING ERRCODE = '22003';
    END IF;
    IF p_elapsed_minutes NOT BETWEEN 0 AND 10080 THEN
        RAISE EXCEPTION 'elapsed % minutes is beyond a week', p_elapsed_minutes USING ERRCODE = '22003';
    END IF;
    IF coalesce(cardinality(p_figures), 0) % 2 <> 0 OR coalesce(cardinality(p_answers), 0) % 2 <> 0 THEN
        RAISE EXCEPTION 'figures and answers come in pairs' USING ERRCODE = '22023';
    END IF;
    IF coalesce(cardinality(p_figures), 0) > 128 THEN
        RAISE EXCEPTION 'more than 64 figures' USING ERRCODE = '22023';
    END IF;
    FOR k IN 1 .. coalesce(cardinality(p_figures), 0) BY 2 LOOP
        PERFORM zentrova.check_text('a figure''s name', p_figures[k], 64, true);
        PERFORM zentrova.check_text('a figure''s value', p_figures[k + 1], 4000, false);
    END LOOP;

    SELECT * INTO known_test FROM zentrova.tests WHERE test_window = p_test_window;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'the server knows no test %', p_test_window USING ERRCODE = '23503';
    END IF;
    IF answer_count > known_test.answers OR (known_test.answers_exact AND answer_count <> known_test.answers) THEN
        RAISE EXCEPTION '% answers where test % has %', answer_count, p_test_window, known_test.answers USING ERRCODE = '22023';
    END IF;
    FOR k IN 1 .. coalesce(cardinality(p_answers), 0) BY 2 LOOP
        PERFORM zentrova.check_text('an item''s number', p_answers[k], 32, true);
        PERFORM zentrova.check_text('an answer', p_answers[k + 1], 1000, false);
    END LOOP;

    -- One code's results arrive one at a time, so that a second in a sitting is seen.
    PERFORM pg_advisory_xact_lock(hashtext(p_person_code));
    SELECT class INTO code_class FROM zentrova.roster WHERE code = p_person_code;
    -- The sitting of the code's class first; one of another class says the code is not in it.
    SELECT * INTO chosen FROM zentrova.sittings s
    WHERE (s.tests IS NULL OR p_test_window = ANY (s.tests))
      AND p_finished BETWEEN s.opens AND s.closes AND s.opens <= now()
    ORDER BY s.class IS NOT DISTINCT FROM code_class DESC, s.opens DESC
    LIMIT 1;
    IF chosen.id IS NULL THEN
        found_marks := found_marks || 'outside_sitting'::text;
    ELSIF chosen.class IS DISTINCT FROM code_class THEN
        found_marks := found_marks || 'not_in_class'::text;
    ELSIF EXISTS (SELECT FROM zentrova.records WHERE person_code = p_person_code AND test_window = p_test_window
                  AND sitting = chosen.id) THEN
        found_marks := found_marks || 'second_in_sitting'::text;
    END IF;

    INSERT INTO zentrova.records (uuid, test_window, caption, finished, utc_offset, elapsed_minutes, verdict,
                                  person_code, seat_name, program_version, bank_sha256, submitted_by, received,
                                  person_class, sitting, marks)
    VALUES (p_uuid, p_test_window, p_caption, p_finished, p_utc_offset, p_elapsed_minutes, p_verdict,
            p_person_code, p_seat_name, p_program_version, p_bank_sha256, session_user, now(),
            code_class, chosen.id, found_marks)
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
    FROM generate_series(1, answer_count) AS i;
    RETURN true;
END
$$;

-- What counsellors read. person_class is the class the record was sent in
-- (the roster's, for records from before it was kept); marks add the
-- server's not_on_roster to those found on arrival; damaged names what makes
-- a row from before the checks unreadable as a record, and its texts are
-- cut to what the checks allow.
CREATE OR REPLACE VIEW zentrova.record_list AS
SELECT r.id, r.uuid, left(r.test_window, 64) AS test_window, left(r.caption, 200) AS caption, r.finished, r.utc_offset,
       r.elapsed_minutes, left(r.verdict, 4000) AS verdict, left(r.person_code, 32) AS person_code,
       p.name AS person_name, coalesce(r.person_class, p.class) AS person_class,
       left(r.seat_name, 100) AS seat_name, r.submitted_by, r.received,
       left(r.program_version, 32) AS program_version, left(r.bank_sha256, 64) AS bank_sha256,
       p.class AS roster_class, r.sitting,
       CASE WHEN p.code IS NULL THEN r.marks || 'not_on_roster'::text ELSE r.marks END AS marks,
       a.accepted_by, a.accepted_at,
       CASE WHEN NOT isfinite(r.finished) OR r.finished < '2000-01-01 00:00+00'
                 OR r.finished > r.received + interval '1 day' THEN 'finished'
            WHEN r.utc_offset NOT BETWEEN -50400 AND 50400 THEN 'utc_offset'
            WHEN r.elapsed_minutes NOT BETWEEN 0 AND 10080 THEN 'elapsed_minutes'
            WHEN length(r.test_window) > 64 OR length(r.caption) > 200 OR length(r.verdict) > 4000
                 OR length(r.person_code) > 32 OR length(r.seat_name) > 100
                 OR length(r.program_version) > 32 OR length(r.bank_sha256) > 64 THEN 'too_long'
       END AS damaged,
       CASE WHEN isfinite(r.finished) AND r.finished BETWEEN '2000-01-01 00:00+00' AND '9999-01-01 00:00+00'
            THEN (extract(epoch FROM r.finished) * 1000)::bigint END AS finished_ms
FROM zentrova.records r
LEFT JOIN zentrova.roster p ON p.code = r.person_code
LEFT JOIN LATERAL (SELECT accepted_by, accepted_at FROM zentrova.acceptances
                   WHERE record_uuid = r.uuid ORDER BY accepted_at DESC LIMIT 1) a ON true;

CREATE OR REPLACE VIEW zentrova.record_figures AS
SELECT record, position, left(name, 64) AS name, left(value, 4000) AS value FROM zentrova.figures;

CREATE OR REPLACE VIEW zentrova.record_answers AS
SELECT record, position, left(item, 32) AS item, left(answer, 1000) AS answer FROM zentrova.answers;

CREATE VIEW zentrova.sitting_list AS
SELECT id, class, tests, opens, closes, opened_by, closed_by FROM zentrova.sittings;

CREATE VIEW zentrova.roster_log AS
SELECT changed_by, changed_at, code, old_name, old_class, new_name, new_class FROM zentrova.roster_changes;

CREATE VIEW zentrova.acceptance_log AS
SELECT record_uuid, accepted_by, accepted_at, marks FROM zentrova.acceptances;

CREATE VIEW zentrova.test_list AS
SELECT test_window, title, answers, answers_exact FROM zentrova.tests;

-- Opens a sitting for a class and some tests (windows or the bank's table
-- names; NULL or empty: all); returns its number.
CREATE FUNCTION zentrova.open_sitting_v1(p_class text, p_tests text[], p_opens timestamptz, p_closes timestamptz)
RETURNS bigint
LANGUAGE plpgsql
SECURITY DEFINER
SET search_path = zentrova, pg_temp
AS $$
DECLARE
    windows text[];
    unknown text[];
    new_id bigint;
BEGIN
    PERFORM zentrova.check_text('class', p_class, 64, true);
    IF p_opens IS NULL OR p_closes IS NULL OR NOT isfinite(p_opens) OR NOT isfinite(p_closes) OR p_closes <= p_opens THEN
        RAISE EXCEPTION 'a sitting closes after it opens' USING ERRCODE = '22008';
    END IF;
    IF coalesce(cardinality(p_tests), 0) > 0 THEN
        SELECT array_agg(DISTINCT t.test_window) INTO windows
        FROM unnest(p_tests) AS given JOIN zentrova.tests t ON given IN (t.test_window, t.title);
        SELECT array_agg(given) INTO unknown
        FROM unnest(p_tests) AS given
        WHERE NOT EXISTS (SELECT FROM zentrova.tests t WHERE given IN (t.test_window, t.title));
        IF unknown IS NOT NULL THEN
            RAISE EXCEPTION 'the server knows no test %', array_to_string(unknown, ', ') USING ERRCODE = '23503';
        END IF;
    END IF;
    INSERT INTO zentrova.sittings (class, tests, opens, closes, opened_by)
    VALUES (p_class, windows, p_opens, p_closes, session_user)
    RETURNING id INTO new_id;
    RETURN new_id;
END
$$;

-- Closes a sitting now, if it has not closed yet; false when there is none.
CREATE FUNCTION zentrova.close_sitting_v1(p_id bigint)
RETURNS boolean
LANGUAGE plpgsql
SECURITY DEFINER
SET search_path = zentrova, pg_temp
AS $$
BEGIN
    UPDATE zentrova.sittings SET closes = greatest(opens + interval '1 microsecond', least(closes, now())),
                                 closed_by = session_user
    WHERE id = p_id;
    RETURN FOUND;
END
$$;

-- A counsellor's word that a marked record counts, noted with who and when.
CREATE FUNCTION zentrova.accept_record_v1(p_id bigint)
RETURNS boolean
LANGUAGE plpgsql
SECURITY DEFINER
SET search_path = zentrova, pg_temp
AS $$
BEGIN
    INSERT INTO zentrova.acceptances (record_uuid, accepted_by, accepted_at, marks)
    SELECT uuid, session_user, now(), marks FROM zentrova.record_list WHERE id = p_id;
    RETURN FOUND;
END
$$;

REVOKE EXECUTE ON FUNCTION zentrova.check_text, zentrova.log_roster_change, zentrova.open_sitting_v1,
    zentrova.close_sitting_v1, zentrova.accept_record_v1 FROM PUBLIC;
GRANT EXECUTE ON FUNCTION zentrova.open_sitting_v1, zentrova.close_sitting_v1, zentrova.accept_record_v1
    TO zentrova_counsellor;
GRANT SELECT ON zentrova.sitting_list, zentrova.roster_log, zentrova.acceptance_log, zentrova.test_list
    TO zentrova_counsellor;
