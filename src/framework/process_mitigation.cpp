#include "framework/process_mitigation.h"

namespace mvt {

bool EnforceRedirectionTrust(SetMitigationPolicyFunction setPolicy) {
    if (setPolicy == nullptr) return false;
    DWORD flags = kEnforceRedirectionTrust;
    return setPolicy(kRedirectionTrustPolicy, &flags, sizeof flags) != FALSE;
}

bool EnforceRedirectionTrust() {
    // kernel32 is in every process; the call exists from Windows 8 on, the policy only on
    // systems that know it (others refuse it with ERROR_INVALID_PARAMETER).
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return false;
    const auto setPolicy = reinterpret_cast<SetMitigationPolicyFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessMitigationPolicy")));
    return EnforceRedirectionTrust(setPolicy);
}

}  // namespace mvt
