// Lets a library with no sources of its own yet be declared.
