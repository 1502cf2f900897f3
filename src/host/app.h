// Start and end of the module: the one engine lives from one to the other.
#pragma once

// Sets the locale from the user's environment and creates the engine.
void ModuleStart();
// Deletes the engine and releases the environment module, unless a run is in progress.
void ModuleEnd();
