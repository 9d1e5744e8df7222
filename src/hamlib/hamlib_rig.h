#pragma once
// Rigs through Hamlib: every model the library knows, on a serial port or, for model 2, through
// rigctld over the network.

#include <memory>
#include <string>
#include <vector>

#include "rig/rig.h"
#include "rig/rig_line.h"

namespace keblor {

// The rig `address` names, not yet connected; nullptr and why not for a model Hamlib does not
// know. No I/O: safe on the GUI thread.
std::unique_ptr<Rig> MakeHamlibRig(const RigAddress& address, std::string& why);

// That rig on a worker thread of its own, for the program's rig session.
std::unique_ptr<RigLine> OpenHamlibLine(const RigAddress& address, std::string& why);

// Every model Hamlib knows, by maker and then model name.
std::vector<RigModel> HamlibModels();

}  // namespace keblor
