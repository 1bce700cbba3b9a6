// The once-a-day comparison with the update server's "up.ini", and the update action.
#pragma once

#include <cstdint>

namespace zlvup {

class UpdateAgent;

// The check is due when ForceCheck is set or a day has passed since the stored time; the
// difference is unsigned, so a stored time in the future makes it due too.
bool checkIsDue(uint32_t paramWord, uint32_t storedTime, uint32_t now);

// Run by the check worker; ends in UpdateAvailable, UpToDate or CheckFailed with a message,
// or (not due, another process checking) without either.
void runUpdateCheck(UpdateAgent& agent);

// Run by the update worker: opens the new version's page, records it, state Done.
void runUpdateAction(UpdateAgent& agent);

}  // namespace zlvup
