# Joins the script helper prelude onto the first line of a UI.lua, so that the
# prelude is defined before the script runs while every line number of the
# script stays as the author wrote it. The prelude therefore avoids "--" line
# comments (block comments --[[ ]] are fine).
file(READ "${PRELUDE}" prelude)
file(READ "${SCRIPT}" script)
string(REGEX REPLACE "\r?\n" " " prelude "${prelude}")
file(WRITE "${OUTPUT}.tmp" "${prelude} ${script}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
