// Start-up and shutdown of the program.
#pragma once

int KeyvaneMain(int argc, char** argv);
