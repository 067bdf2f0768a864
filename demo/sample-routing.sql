-- A sample routing database for the demo: three sources whose patterns
-- match with different specificity (one by regular expression), a staging
-- rule with its staging targets, archive-only rules with archives, and
-- working times. Loaded after the schema of tests/fixtures/routing-db.
SET client_encoding = 'UTF8';

INSERT INTO source_lookup (id, priority, alias, active) VALUES
  (1, 2, 'MR Süd', true),
  (2, 5, 'CT emergency units', true),
  (3, 9, 'anything for TARVO', true);

-- MR_SUED names sender, destination and host (specificity 3); the CT units
-- are found by a regular expression on the sender alone; the last source
-- takes whatever is addressed to TARVO.
INSERT INTO source_lookup_data (parentid, active, sender, destination, senderhost, useregex, timeout) VALUES
  (1, true, 'MR_SUED', 'TARVO', 'mr-sued.klinik.example', false, 60),
  (2, true, '^CT_[A-Z]+$', NULL, NULL, true, 30),
  (3, true, NULL, 'TARVO', NULL, NULL, 120);

INSERT INTO act_rules (id, source, action, options, maxcount, sleeptime, break, failedrule, okrule,
    imp_database, timeout, maxparallel, copyfailed2failed, max_images, max_duration) VALUES
  (11, 1, 'IMPORT', '-v', 3, 10, false, 0, 0, 1, 600, 2, true, 500, 3600),
  (12, 1, 'ARCHIVE_ONLY', NULL, 1, 0, false, 0, 0, NULL, 0, 1, false, 0, 0),
  (21, 2, 'ARCHIVE_ONLY', NULL, 1, 0, false, 0, 0, NULL, 0, 1, false, 0, 0);

-- Import database 1: three staging targets of today.
INSERT INTO act_staging (db_id, db_name, db_host, imported, modality, method, rate, id, parentid, archivepath,
    qualitylayers, progressionorder, sequence, days) VALUES
  (1, 'pacs', 'pacs-nord', false, 'MR', 'move', 10, 101, 11, '/archive/mr', 3, 'LRCP', 1, 0),
  (1, 'pacs', 'pacs-sued', false, 'MR', 'move', 10, 102, 11, '/archive/mr', 3, 'LRCP', 2, 0),
  (1, 'ris', 'ris-1', true, 'MR', 'store', 5, 103, 11, NULL, 1, 'RLCP', 3, 0);

INSERT INTO archives (id, archivetype, alias) VALUES
  (1, 'DICOM', 'PACS Nord'), (2, 'FILE', 'Archiv Süd');
INSERT INTO rules (id, action) VALUES (11, 1), (12, 2), (21, 3);
INSERT INTO relarchivesactions (action_id, archives_id) VALUES (2, 1), (2, 2), (3, 1);

INSERT INTO source_times (source_id, starttime, endtime) VALUES
  (1, '07:00', '12:00'), (1, '13:00', '18:30');
