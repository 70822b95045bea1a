#pragma once
// The requests to end a program from outside it (Ctrl+C, a service manager's stop), received as
// an ordinary wait instead of an interruption anywhere in the program.
namespace platform {

// Holds the requests back for the calling thread and every thread it starts afterwards: call it
// first in main, before any thread exists.
void HoldTerminationRequests();

// Waits for a held request to end; returns its number (2 for an interrupt, 15 for a termination).
int WaitForTerminationRequest();

}  // namespace platform
