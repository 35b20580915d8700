// Whether the user belongs to the local Administrators group, from the process token. The
// update asks a user who does not before it goes on, as installing might fail.
#pragma once

// True when the check could be made, with the answer in bIsAdmin; false when it failed,
// bIsAdmin untouched. A group present for deny-only use (a filtered token) counts as
// membership.
bool IsAdministrator(bool& bIsAdmin);
