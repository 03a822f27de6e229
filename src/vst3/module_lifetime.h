#pragma once
// Module entry counting shared by the platform entry points. A host may enter
// a module more than once (several scans, several loaders in one process);
// only the first entry initialises and only the matching last exit tears down.
// Hosts load and unload modules on their main thread.

namespace talvo {

using ModuleHook = bool (*)();

/// Hooks run by initModule / deinitModule in registration order. The plug-in
/// registers none, so both run empty lists and succeed.
void addModuleInitializer(ModuleHook hook);
void addModuleTerminator(ModuleHook hook);
/// False when any hook failed; every hook still runs.
bool initModule();
bool deinitModule();

/// Counts an entry. The first entry records `handle` and returns initModule's
/// result; later entries return true.
bool enterModule(void* handle);
/// Counts an exit. The exit that drops the count from 1 to 0 runs deinitModule,
/// forgets the handle and returns true. An exit without a matching entry
/// returns false and leaves the count at 0, so a later entry still initialises.
bool exitModule();

/// The handle recorded by the first entry; null while the module is not entered.
[[nodiscard]] void* moduleHandle();
[[nodiscard]] int moduleEntryCount();

}  // namespace talvo
