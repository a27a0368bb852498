// Defence in depth for the elevated programs: where the system offers it, the process
// refuses to follow junctions that a non-administrator made (the redirection trust policy of
// Windows 11). Older systems and Wine lack the policy; there the call is tried and its
// failure tolerated.
#pragma once

#include <windows.h>

namespace mvt {

// The policy number and the flag that enforces it, as the system defines them.
inline constexpr int kRedirectionTrustPolicy = 16;
inline constexpr DWORD kEnforceRedirectionTrust = 0x1;

// The system's SetProcessMitigationPolicy.
using SetMitigationPolicyFunction = BOOL(WINAPI*)(int policy, PVOID buffer, SIZE_T length);

// Asks `setPolicy` (may be null: the system has no such call) to enforce the redirection
// trust policy. Returns whether the policy is in force; a missing call or a refusal leaves
// the process as it was.
bool EnforceRedirectionTrust(SetMitigationPolicyFunction setPolicy);

// The same with the system's own call, looked up at run time in kernel32.
bool EnforceRedirectionTrust();

}  // namespace mvt
