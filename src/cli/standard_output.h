// The command's standard output: output lost on a full disk or a closed pipe must not pass for
// success, so every write to it notes why it failed.
#pragma once

namespace vestrel::cli {

// Routes stdout through a stream that notes the reason of the first failed write.
void WatchOutput();
void FlushOutput();
// Flushes a last time; a command whose output was not all written then ends with one line on
// standard error naming the reason and status 1, any other with `status`.
int FinishOutput(int status);

}  // namespace vestrel::cli
