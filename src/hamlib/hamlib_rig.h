#pragma once
// Rigs through Hamlib: every model the library knows, on a serial port or, for model 2, through
// rigctld over the network.

#include <memory>
#include <string>
#include <vector>

#include "rig/rig.h"

namespace keblor {

// The rig `address` names, not yet connected; nullptr and why not for a model Hamlib does not
// know or when Hamlib cannot be loaded (it is loaded at the first call). A rig line's maker:
// called on the line's thread only, as Hamlib's calls are not safe on two threads at once.
std::unique_ptr<Rig> MakeHamlibRig(const RigAddress& address, std::string& why);

// Every model Hamlib knows, by maker and then model name.
std::vector<RigModel> HamlibModels();

}  // namespace keblor
