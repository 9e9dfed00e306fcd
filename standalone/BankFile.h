// The bank the application keeps between runs: all 32 programs with their edits and the current
// program, as a standard bank file (format version 2, the plug-in's opaque bank chunk), so any VST 2.4
// host can load it as well. Replaced atomically: a new file is written beside it, flushed to disk and
// renamed over the old one, so a crash or a full disk never leaves half a bank.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PluginDriver;

// $XDG_CONFIG_HOME/calyx2/bank.fxb, or ~/.config/calyx2/bank.fxb; empty when neither is known.
std::string defaultBankPath();

enum class BankLoad { Missing, Loaded, Unreadable };

// Unreadable leaves the plug-in as it was and sets error to one sentence.
BankLoad loadBankFile(const std::string& path, PluginDriver& plugin, std::string& error);
bool saveBankFile(const std::string& path, PluginDriver& plugin, std::string& error);

// What would be saved: the bank chunk followed by the current program number, to tell whether anything
// changed since the last save without touching the disk.
std::vector<uint8_t> bankFingerprint(PluginDriver& plugin);

// Writes the bank file only when the bank or the current program changed since the last write (or
// since the load), so that saving every few seconds costs a comparison; failures are reported.
class BankKeeper {
  public:
    BankKeeper(std::string path, PluginDriver& plugin);
    void markSaved();
    void save();

  private:
    std::string path;
    PluginDriver& plugin;
    std::vector<uint8_t> saved;
};
