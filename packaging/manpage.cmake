# Writes the manual page from the program's own --help, so the two never
# differ. cmake -DPROGRAM=<program> -DVERSION=<version> -DOUTPUT=<page> -P manpage.cmake
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()

# troff: backslashes and minus signs escaped, placeholders such as <dir> in
# italics. Runs on text whose ; [ ] are stood in for (see below).
function(troff out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "<([A-Za-z_]+)>" "\\\\fI\\1\\\\fR" text "${text}")
  string(REGEX REPLACE "^([.'])" "\\\\&\\1" text "${text}")
  # Options named anywhere in bold.
  string(REGEX REPLACE "(^|[ (])(\\\\-(\\\\-)?[A-Za-z0-9]+(\\\\-[A-Za-z0-9]+)*)" "\\1\\\\fB\\2\\\\fR" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One list element a line: stand in for what CMake lists treat specially.
string(REPLACE ";" "@SEMICOLON@" help "${help}")
string(REPLACE "[" "@OPEN@" help "${help}")
string(REPLACE "]" "@CLOSE@" help "${help}")
string(REGEX REPLACE "\n$" "" help "${help}")
string(REPLACE "\n" ";" lines "${help}")

set(section head)
set(description "")
set(synopsis "")
set(options "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^Usage: [^ ]+(.*)$")
    set(synopsis "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^(Options|Arguments):$")
    set(section options)
  elseif(line STREQUAL "")
    continue()
  elseif(section STREQUAL "head")
    troff(text "${line}")
    string(APPEND description "${text}\n")
  elseif(line MATCHES "^  -")
    # An option, and the start of its description when it fits beside it
    # (the names end where two spaces begin).
    string(REGEX MATCH "^  ([^ ]+( [^ ]+)*)" names "${line}")
    set(names "${CMAKE_MATCH_1}")
    string(LENGTH "${CMAKE_MATCH_0}" length)
    string(SUBSTRING "${line}" ${length} -1 text)
    string(STRIP "${text}" text)
    troff(names "${names}")
    troff(text "${text}")
    string(APPEND options ".TP\n${names}\n")
    if(NOT text STREQUAL "")
      string(APPEND options "${text}\n")
    endif()
    math(EXPR count "${count} + 1")
  elseif(line MATCHES "^   +([^ ].*)$" AND count GREATER 0)
    troff(text "${CMAKE_MATCH_1}")
    string(APPEND options "${text}\n")
  else()
    message(FATAL_ERROR "Cannot place this line of --help in the manual page: '${line}'")
  endif()
endforeach()
if(count EQUAL 0 OR description STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help shows no description or no options")
endif()

string(STRIP "${synopsis}" synopsis)
troff(synopsis "${synopsis}")
string(REGEX REPLACE "@OPEN@([a-z]+)@CLOSE@" "[\\\\fI\\1\\\\fR]" synopsis "${synopsis}")
string(REGEX MATCH "^[^\n]*" summary "${description}")
set(page ".TH ORVANA\\-CLASS 1 \"\" \"orvana\\-class ${VERSION}\" \"User Commands\"
.SH NAME
orvana\\-class \\- ${summary}
.SH SYNOPSIS
.B orvana\\-class
${synopsis}
.SH DESCRIPTION
${description}Without an option that makes it exit, it opens its main window.
.SH OPTIONS
${options}.SH FILES
.TP
.I ~/.local/share/orvana\\-class
The data directory used when no \\fB\\-\\-data\\-dir\\fR is given and the
program's own folder holds no Class.db. On the first start the program offers
to make it, with the demo rule set or with empty tables.
")
string(REPLACE "@SEMICOLON@" ";" page "${page}")
string(REPLACE "@OPEN@" "[" page "${page}")
string(REPLACE "@CLOSE@" "]" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
