// base/: why something the platform was asked to do failed: told at start-up, in the step
// grid's boxes and on the terminal. The system's own words fill the %N in brackets.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// A reason with a detail of its own in brackets.
inline constexpr Text kReasonWithDetail{"%1 (%2)", "%1 (%2)"};

// Files in general.
inline constexpr Text kFileMissing{"the file does not exist", "the file does not exist"};
inline constexpr Text kFileUnreadable{"the file cannot be read (%1)",
                                      "the file cannot be read (%1)"};
inline constexpr Text kFileNotFound{"the file cannot be found (%1)",
                                    "the file cannot be found (%1)"};
inline constexpr Text kIsFolder{"it is a folder, not a file", "it is a folder, not a file"};
inline constexpr Text kNotAFile{"it is not a file", "it is not a file"};
inline constexpr Text kFileEmpty{"the file is empty", "the file is empty"};
inline constexpr Text kFileReadOnly{"the file is read-only", "the file is read-only"};
inline constexpr Text kDiskFull{"the disk is full", "the disk is full"};

// The window icon and the serial port's settings.
inline constexpr Text kIconFailed{"cannot load the window icon %1: %2",
                                  "cannot load the window icon %1: %2"};
inline constexpr Text kNotAPicture{"it is not a picture this program can read (%1)",
                                   "it is not a picture this program can read (%1)"};
inline constexpr Text kBadSerialSettings{"invalid serial settings \"%1\"",
                                         "invalid serial settings \"%1\""};

// The step table's SQLite file.
inline constexpr Text kStepTableFailed{"cannot open the step table %1: %2",
                                       "cannot open the step table %1: %2"};
// A delete answered after the rows it named had moved or gone.
inline constexpr Text kStepsMoved{"the steps changed while the question waited",
                                  "the steps changed while the question waited"};
inline constexpr Text kNotSqlite{"it is not an SQLite database", "it is not an SQLite database"};
inline constexpr Text kDatabaseUnopened{"the database cannot be opened (%1)",
                                        "the database cannot be opened (%1)"};
inline constexpr Text kNoTable{"it has no table %1", "it has no table %1"};
inline constexpr Text kTableUnreadable{"the table %1 cannot be read (%2)",
                                       "the table %1 cannot be read (%2)"};
inline constexpr Text kFileLocked{"the file is locked by another program",
                                  "the file is locked by another program"};
// The program holding the lock: its number, or its name and number.
inline constexpr Text kLockProcess{"process %1", "process %1"};
inline constexpr Text kLockNamedProcess{"%1, process %2", "%1, process %2"};

// Converting an Access step table.
inline constexpr Text kImportFailed{"cannot convert the Access step table %1: %2",
                                    "cannot convert the Access step table %1: %2"};
inline constexpr Text kImportConverted{
    "Converted the Access (%1) table %2 of %3, %4 rows, into an SQLite step table; the "
    "original is kept as %5",
    "Converted the Access (%1) table %2 of %3, %4 rows, into an SQLite step table; the "
    "original is kept as %5"};
inline constexpr Text kImportTableNotMade{"the step table cannot be made",
                                          "the step table cannot be made"};
inline constexpr Text kImportNotWritten{"the conversion cannot be written",
                                        "the conversion cannot be written"};
inline constexpr Text kImportRowNotWritten{"row %1 cannot be written", "row %1 cannot be written"};
inline constexpr Text kImportRowsMissing{"the written step table does not hold every row",
                                         "the written step table does not hold every row"};
inline constexpr Text kImportNoPlace{"the conversion cannot take its place (%1)",
                                     "the conversion cannot take its place (%1)"};
inline constexpr Text kImportNoTemporary{"no file can be made in its folder (%1)",
                                         "no file can be made in its folder (%1)"};
inline constexpr Text kImportOriginalNotKept{"the original cannot be kept as %1 (%2)",
                                             "the original cannot be kept as %1 (%2)"};
inline constexpr Text kImportBackupNamesTaken{"every name for keeping the original is taken",
                                              "every name for keeping the original is taken"};
inline constexpr Text kImportFieldCount{
    "table %1 has %2 fields; a step table has 4 (id, volts, amperes, seconds) or 5",
    "table %1 has %2 fields; a step table has 4 (id, volts, amperes, seconds) or 5"};
inline constexpr Text kImportBinaryField{
    "field %1 of table %2 holds pictures or other binary data",
    "field %1 of table %2 holds pictures or other binary data"};

// Reading an Access database.
inline constexpr Text kNotAccess{"it is not an Access database", "it is not an Access database"};
inline constexpr Text kAccessUnopened{"the file cannot be opened as an Access database",
                                      "the file cannot be opened as an Access database"};
inline constexpr Text kSizeUnreadable{"the size of the file cannot be read (%1)",
                                      "the size of the file cannot be read (%1)"};
inline constexpr Text kDamagedLength{
    "the file is damaged: its length (%1 bytes) is not a whole number of %2-byte pages",
    "the file is damaged: its length (%1 bytes) is not a whole number of %2-byte pages"};
inline constexpr Text kDamagedCatalog{"the file is damaged: its list of tables cannot be read",
                                      "the file is damaged: its list of tables cannot be read"};
inline constexpr Text kDamagedLayout{"the file is damaged: the layout of table %1 cannot be read",
                                     "the file is damaged: the layout of table %1 cannot be read"};
inline constexpr Text kDamagedTooManyRows{
    "the file is damaged: table %1 yields more than its %2 rows",
    "the file is damaged: table %1 yields more than its %2 rows"};
inline constexpr Text kDamagedRowsMissing{
    "the file is damaged: only %1 of the %2 rows of table %3 can be read",
    "the file is damaged: only %1 of the %2 rows of table %3 can be read"};
inline constexpr Text kValueTooLong{
    "a value of field %1 in row %2 of table %3 is longer than %4 bytes",
    "a value of field %1 in row %2 of table %3 is longer than %4 bytes"};
// The database is read by a process of its own, whose end can be told too; what libmdb
// said last completes the reason.
inline constexpr Text kReaderNotStarted{"the reader cannot be started (%1)",
                                        "the reader cannot be started (%1)"};
inline constexpr Text kReaderTooSlow{
    "the file is damaged: reading it did not finish within %1 ms%2",
    "the file is damaged: reading it did not finish within %1 ms%2"};
inline constexpr Text kReaderCrashed{"the file is damaged: reading it crashed (%1)%2",
                                     "the file is damaged: reading it crashed (%1)%2"};
inline constexpr Text kReaderSilent{"the file cannot be read: the reader gave no answer%1",
                                    "the file cannot be read: the reader gave no answer%1"};
inline constexpr Text kLibmdbSaid{"; libmdb: %1", "; libmdb: %1"};
inline constexpr Text kAnswerGarbled{"the reader's answer is garbled",
                                     "the reader's answer is garbled"};
inline constexpr Text kAnswerCutShort{"the reader's answer is cut short",
                                      "the reader's answer is cut short"};

} // namespace kelvo::texts
