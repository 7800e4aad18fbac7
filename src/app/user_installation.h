// A user's own installation under the one for all users. Before the package for all users, the
// per-user package was the only one, and its Run value starts that copy at every logon beside
// the one installed for all users. That copy is of an earlier release: its start asks the
// running program to show itself. The program installed for all users therefore takes the
// per-user copy's Run value away; the copy stays until the user removes it.
#pragma once

#include "platform/system.h"

namespace erm::app {

// When this program is the one installed for all users and the user's Run value starts the
// program of the user's per-user installation, removes that value. Changes nothing else, and
// nothing at all for any other program, such as the per-user copy itself or the archive's.
// Never throws: a value that stays only means that both copies start at the next logon again.
void RetireUserInstallationLogonStart(platform::System& system);

}  // namespace erm::app
