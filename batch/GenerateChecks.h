// The checks the generate command makes before an export, with its own texts; shared by the
// main window and gallivo-batch.
#pragma once

#include <QString>

class CSetMgr;

// The refusal text for a list of `pictures` with these settings, or an empty string when the
// export may start. In order: no pictures, no effect chosen, the unchanged default watermark
// text, a showcase of one picture.
QString GenerateRefusal(int pictures, const CSetMgr& settings);
