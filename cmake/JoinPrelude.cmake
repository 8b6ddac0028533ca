# Joins what a packaged script needs before it runs onto the script's first
# line, so that every line number of the script stays as the author wrote it:
#   PRELUDE  optional: a file joined as it is, its line breaks turned into
#            spaces (it therefore avoids "--" line comments; block comments
#            --[[ ]] are fine)
#   MODULES  optional: Lua module files, "|"-separated. Each "<name>.lua"
#            becomes package.preload["<name>"], so `require "<name>"` finds it
#            in either Lua state. Its text is kept in a quoted string and
#            compiled only when required, under the chunk name "<name>.lua",
#            so its errors name its own file and line.
#   SCRIPT   the script; OUTPUT the joined file.
#   STRIP    optional: the script stripper (tools/scriptstrip), through which
#            every file passes first: comments and needless blanks left out,
#            every token on its line.
set(head "")
# read_script(<file> <var>): the file's text, through the stripper when there is one.
function(read_script file var)
  if(STRIP)
    execute_process(COMMAND "${STRIP}" "${file}" "${OUTPUT}.part" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "JoinPrelude: ${STRIP} failed on ${file}")
    endif()
    file(READ "${OUTPUT}.part" text)
    file(REMOVE "${OUTPUT}.part")
  else()
    file(READ "${file}" text)
  endif()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()
if(PRELUDE)
  read_script("${PRELUDE}" prelude)
  string(REGEX REPLACE "\r?\n" " " prelude "${prelude}")
  string(APPEND head "${prelude} ")
endif()
if(MODULES)
  string(REPLACE "|" ";" modules "${MODULES}")
  foreach(module IN LISTS modules)
    get_filename_component(name "${module}" NAME_WLE)
    read_script("${module}" text)
    # A Lua quoted string on one line: backslashes first, then quotes and
    # line breaks as escapes.
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(REPLACE "\r" "\\r" text "${text}")
    string(REPLACE "\n" "\\n" text "${text}")
    string(APPEND head "package.preload[\"${name}\"] = function(...) "
                       "return assert(load(\"${text}\", \"=${name}.lua\"))(...) end ")
  endforeach()
endif()
read_script("${SCRIPT}" script)
file(WRITE "${OUTPUT}.tmp" "${head}${script}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
