// app/: the fixed texts of the program that several subsystems write.
#pragma once

namespace kelvo::texts {

inline constexpr const char* kProductName = "KELVO";
inline constexpr const char* kVersion = "Version: 1.0";
inline constexpr const char* kSerialSettings = "9600,N,8,1";
inline constexpr const char* kStepTable = "QZ7150PPS1";
inline constexpr const char* kDatabaseFile = "db1.mdb";
inline constexpr const char* kIconFile = "PPS.ico";
inline constexpr const char* kWaitStatus = "communication:wait...";
inline constexpr const char* kCrLf = "\r\n";

inline constexpr const char* kVoltageRangePrompt = "Please enter 4 positive number less than 31";
inline constexpr const char* kCurrentRangePrompt = "Please enter 4 positive number less than 5.1";
inline constexpr const char* kVoltageErrorTitle = "Setting Voltage data error";
inline constexpr const char* kCurrentErrorTitle = "Setting Current data error";
inline constexpr const char* kReadErrorPrompt = "read USB connection date error";

// A report that came again while its box was still waiting: the box gets a count.
inline constexpr const char* kRepeatedReport = "Reported again: ";
inline constexpr const char* kRepeatedReportEnd = " times in all.";

// Records.
inline constexpr const char* kRecordFolder = "Record";
inline constexpr const char* kSavePath = "Save Path:";
inline constexpr const char* kSavePathZh = "保存路径:";
inline constexpr const char* kNotSaved = "Record NOT saved: ";
inline constexpr const char* kNotSavedZh = "记录未保存: ";
inline constexpr const char* kRecordErrorPrompt = "The record file could not be saved. ";
inline constexpr const char* kRecordErrorTitle = "Record file error";
// Last lines of a record made at start-up from the journal of a period that never ended.
inline constexpr const char* kRecoveredNote =
    "The program ended while the output was on; readings after the line above were lost.";
inline constexpr const char* kRecoveredLog = "Recovered an unfinished record: ";
inline constexpr const char* kJournalError =
    "The record of this period cannot be kept on disk while it runs; it will be saved when "
    "the output goes off if a folder can be written then. ";

// Closing the window while the output is on.
inline constexpr const char* kCloseTitle = "Output is on";
inline constexpr const char* kClosePrompt =
    "The supply's output is on. Switch it off before closing?\n\nThe record so far is "
    "saved whichever you choose.";
inline constexpr const char* kCloseSwitchOff = "Switch off and save";
inline constexpr const char* kCloseLeaveOn = "Leave on and save";
inline constexpr const char* kCloseCancel = "Cancel";

// Step programs.
inline constexpr const char* kEmptyTablePrompt = "The step table is empty";
// The run count prompt and the step table prompt are completed with the limits.
inline constexpr const char* kRunCountPrompt = "The run count must be a whole number from 1 to ";
inline constexpr const char* kRunCountPromptEnd = ", or x (run until stopped).";
inline constexpr const char* kRunCountTitle = "Run count error";
inline constexpr const char* kTooManySteps = "The step table has too many steps for a program: ";
inline constexpr const char* kTooManyStepsEnd = " steps at most.";
inline constexpr const char* kStepTableTitle = "Step table error";

} // namespace kelvo::texts
