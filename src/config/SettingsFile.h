// The settings file "quarnt32.cfg" beside the program: the version "1.00" as a counted string,
// then every option, most of them as their low 16 bits, 319 bytes in all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "config/Options.h"

constexpr std::string_view kSettingsVersion = "1.00";
constexpr std::string_view kSettingsFileName = "quarnt32.cfg";
constexpr size_t kSettingsFileSize = 319;

std::vector<uint8_t> WriteSettings(const Options& options);

// Fills `options` from a settings file and returns true; values are taken as they are stored
// (16-bit fields zero-extended). A file with another version, or one that ends early, leaves
// every option at its default and returns false.
bool ReadSettings(std::span<const uint8_t> file, Options& options);

// Start-up and exit: a missing or unreadable file gives the defaults, and the program starts on
// the Trace Buffer whatever the file's switch says; the save replaces the old file only with a
// complete new one and leaves a read-only file as it is, and a failure is silent, as at exit
// nothing can be shown. Save returns false on failure for callers that want to know.
Options LoadSettingsFile(const std::filesystem::path& path);
bool SaveSettingsFile(const std::filesystem::path& path, const Options& options);
