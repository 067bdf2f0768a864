// Instance hand-off: the request of a start passed to the viewer that another
// launcher started.
#pragma once

// Hands this start's request (URL query, ticket options, or bring-to-front)
// to the running viewer. The launcher ends right after it, whatever the
// outcome, and never starts a viewer on this path.
void handOff(int argc, char** argv);
