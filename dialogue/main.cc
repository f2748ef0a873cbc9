// simpson: a definite integral by the composite Simpson rule, in a dialogue
// on the console. Takes no arguments; every argument is ignored.

#include "dialogue/dialogue.h"
#include "errors/run.h"

int main() {
  ConsoleProgram = true;
  RunProgram(RunDialogue);
}
