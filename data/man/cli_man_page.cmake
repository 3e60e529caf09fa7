# Writes ticksmith-cli's manual page from the program's own help: the overview, then each
# command's help with its example. Run as: cmake -DCLI=program -DOUTPUT=file -DVERSION=x -P this
function(help_of out)
  execute_process(COMMAND ${CLI} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CLI} ${ARGN} --help failed: ${status}")
  endif()
  # troff reads a backslash as an escape and a leading dot or quote as a request.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(overview)
# The command names: the first word of each line under "Subcommands:".
string(REGEX MATCH "Subcommands:\n.*" listing "${overview}")
string(REPLACE "\n" ";" lines "${listing}")
set(commands)
foreach(line IN LISTS lines)
  if(line MATCHES "^  ([a-z][a-z-]*)")
    list(APPEND commands ${CMAKE_MATCH_1})
  endif()
endforeach()

set(page ".TH TICKSMITH-CLI 1 \"\" \"Ticksmith ${VERSION}\" \"User Commands\"
.SH NAME
ticksmith-cli \\- maintain MetaStock-format portfolios from the command line
.SH SYNOPSIS
.B ticksmith-cli
[\\fB--settings\\fR \\fIFILE\\fR] [\\fB--yes\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]
.SH DESCRIPTION
The command-line twin of \\fBticksmith\\fR(1): the same portfolios, profiles and settings.
The current directory is the working directory: it holds the update profiles, AUDIT.TXT and
the Lasttime directory. Questions are answered No unless \\fB--yes\\fR is given.
.PP
.nf
${overview}.fi
.SH COMMANDS
")
foreach(command IN LISTS commands)
  help_of(text ${command})
  string(APPEND page ".SS ${command}\n.nf\n${text}.fi\n")
endforeach()
string(APPEND page ".SH EXIT STATUS
0 success, 1 failure (the reason on standard error), 2 a usage error. An interrupted
\\fBupdate\\fR exits 130 (Ctrl+C) or 143 (SIGTERM) after the symbol at work.
.SH FILES
.TP
.I ~/.config/Kestrel Bay Software/Ticksmith.ini
the settings, shared with the window program
.TP
.I AUDIT.TXT
the last update run's audit log, in the working directory
.SH SEE ALSO
\\fBticksmith\\fR(1), \\fBpkunzip\\fR(1)
")
file(WRITE ${OUTPUT} "${page}")
