#pragma once
// The oracle: what must hold after every run, written from the promise and the README's tables.
// It names no function of the code under test.
#include <set>
#include <string>
#include <utility>

#include "fuzz/mode_run/machine_view.h"
#include "fuzz/mode_run/run_names.h"
#include "fuzz/mode_run/trial.h"

namespace mode_run {

// The three commands and where each is kept while relocated.
inline const std::pair<std::u16string, std::u16string> kCommandPairs[] = {
    {u"UninstallString", u"szUninstallString"},
    {u"ModifyPath", u"szModifyPath"},
    {u"QuietUninstallString", u"szQuietUninstallString"},
};

bool isIsrelocCommand(const Value& value);
// isreloc's command for this run's two names, in either direction: a command between other names
// is a product's, whatever its form.
bool isIsrelocCommandOfRun(const Value& value, const RunNames& names);

// Every value of the key once under `name` is still under one of the run's names, at the same
// place, and its commands in one of their two values.
void expectKeyKept(const RegistryView& before, const RegistryView& after, const std::string& name,
                   const RunNames& names, const std::string& run);
// isreloc's commands kept in the saved values of the run's entries.
std::set<Value> isrelocCommandsSaved(const RegistryView& view, const RunNames& names);
// Nothing but the keys and folders under the run's two names changed.
void expectOnlyRunNamesChanged(const RegistryView& before, const RegistryView& after, const FileView& filesBefore,
                               const FileView& filesAfter, const std::string& rootFolded, const RunNames& names,
                               const std::string& run);

// The boxes and exit codes of the README.
void checkOutcome(const Trial& trial);
// Nothing outside the run's names changed, nothing under them lost, isreloc's command never
// started or kept as the product's.
void checkNothingLost(const Trial& trial);
// A product there once, its entry running, is there once after, its entry's commands starting
// what is there.
void checkProductWhole(const Trial& trial);
// On a clean machine: a run with nothing injected does its work; a waited run puts the product
// where the README says; after an injected failure or stop, the command the entry holds brings
// the product back whole.
void checkCleanMachine(Trial& trial);

}  // namespace mode_run
