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

} // namespace kelvo::texts
