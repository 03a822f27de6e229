#pragma once
// The verbs of talvo-host; each returns the process exit status
// (0 done, 1 failed, 2 bad command line). argv starts after the verb.

namespace talvo::host {

int runInfo(int argc, char** argv);
int runRender(int argc, char** argv);

}  // namespace talvo::host
