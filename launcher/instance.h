// The single-instance marker: a named mutex that lives as long as the
// launcher that created it.
#pragma once

// The name of this start's instance: "TARVO/Novaskop" without arguments or
// for an executable whose file name begins with "standalone" (exact case),
// else the file name as argv[0] spells it after its last path separator; an
// argv[0] without a separator is the name as it stands. Borrowed: points into
// argv[0] or to a constant.
const char* instanceKey(int argc, char** argv);

// Creates or opens the marker `name`; true when it existed before. The marker
// is kept until the process ends.
bool isInstanceRunning(const char* name);
