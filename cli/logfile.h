#pragma once

// What the event log commands share: the catalogue in the language asked for, and a saved log loaded with
// its failure reported.
#include <string>

#include "cli/args.h"
#include "cli/commands.h"
#include "eventlog/reader.h"

namespace mirca::cli {

// The language of --lang (RU when absent): "RU", "EN" or "TR".
std::string LanguageCode(const TArgs& args);

// Loads the catalogue in that language: kExitOk, else the reported exit code (kExitUsage for a wrong code,
// kExitFailed for a catalogue that cannot be used).
int LoadLanguage(const TGlobalOptions& global, const TArgs& args, const char* command);

// Loads a saved log; false (reported) when it cannot be read.
bool Load(TEventLogReader& reader, const std::string& file, const char* command);

// Says on stderr that a log of another system than 6 has records but no event texts.
void NoteUndecoded(const TEventLogReader& reader, const char* command);

}  // namespace mirca::cli
