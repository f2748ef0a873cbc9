// The integration dialogue, from the banner to the end of the run.
#pragma once

// Shows the menu, reads the integrand choice and the interval, then reads a
// number of divisions again and again and writes S for each, until an n below
// 1 ends the run with EndRun(0). Every console statement is followed by one
// CheckIO; the dialogue catches nothing. Does not return.
[[noreturn]] void RunDialogue();
