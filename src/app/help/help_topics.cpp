// The help topics; filled in with the help pages.
