// The once-a-day comparison with the update server's "up.ini", and the update action.
#pragma once

#include <cstdint>
#include <string_view>

namespace zlvup {

class UpdateAgent;

// The check is due when ForceCheck is set or a day has passed since the stored time; the
// difference is unsigned, so a stored time in the future makes it due too.
bool checkIsDue(uint32_t paramWord, uint32_t storedTime, uint32_t now);

// True for "http://..." and "https://..." addresses (scheme in any case), the only ones the
// update action hands to the shell.
bool isWebAddress(std::u16string_view url);

// Run by the check worker; ends in UpdateAvailable, UpToDate or CheckFailed with a message,
// or (not due, another process checking) without either.
void runUpdateCheck(UpdateAgent& agent);

// Run by the update worker: opens the new version's page, records it, state Done.
void runUpdateAction(UpdateAgent& agent);

}  // namespace zlvup
