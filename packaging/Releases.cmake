# Turns CHANGELOG.md into the two other forms of the release history: the
# Debian changelog of the package and the release list of the software-centre
# metadata.  Run at build time:
#
#   cmake -DCHANGELOG=CHANGELOG.md -DVERSION=X.Y.Z -DPACKAGE=transvane
#         -DMAINTAINER="Name <mail>" -DDEBIAN_CHANGELOG=OUT
#         -DMETAINFO_IN=IN -DMETAINFO=OUT -P Releases.cmake
#
# CHANGELOG.md holds sections headed "## X.Y.Z (YYYY-MM-DD)", newest first,
# each a list of "- " items whose further lines are indented by two spaces.
# Sections above VERSION are releases in preparation and are left out; the
# newest section left must be VERSION itself, so that the package never
# carries a version its history does not explain.  Anything else in a
# section stops the build with the line it found, rather than dropping text.
cmake_minimum_required(VERSION 3.25)

foreach(input CHANGELOG VERSION PACKAGE MAINTAINER DEBIAN_CHANGELOG METAINFO_IN METAINFO)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "Releases.cmake: ${input} is not set")
  endif()
endforeach()

# Debian changelog lines may be 80 columns wide.
set(widest_line 80)

# Day of the week of a date (Zeller's congruence), as Debian's dates name it.
function(week_day year month day out)
  if(month LESS 3)
    math(EXPR month "${month} + 12")
    math(EXPR year "${year} - 1")
  endif()
  math(EXPR century "${year} / 100")
  math(EXPR in_century "${year} % 100")
  math(EXPR index "(${day} + (13 * (${month} + 1)) / 5 + ${in_century} + ${in_century} / 4 + ${century} / 4 + 5 * ${century}) % 7")
  # Zeller counts from Saturday.
  set(names Sat Sun Mon Tue Wed Thu Fri)
  list(GET names ${index} name)
  set(${out} ${name} PARENT_SCOPE)
endfunction()

# Text for XML element content.
function(xml_text text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${CHANGELOG}" content)
# CMake lists split at semicolons: park them while the text is split into lines.
string(REPLACE ";" "<semicolon>" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(debian "")
set(releases "")
set(newest "")
set(in_section FALSE)
set(keep FALSE)
set(item "")
set(item_lines "")
set(line_number 0)

# Ends the item being read, adding it to both outputs when its section is kept.
macro(end_item)
  if(keep AND NOT item STREQUAL "")
    string(APPEND debian "${item_lines}")
    xml_text("${item}" escaped)
    string(APPEND releases "          <li>${escaped}</li>\n")
  endif()
  set(item "")
  set(item_lines "")
endmacro()

macro(end_section)
  end_item()
  if(keep)
    string(APPEND debian "\n -- ${MAINTAINER}  ${section_date}\n")
    string(APPEND releases "        </ul>\n      </description>\n    </release>\n")
  endif()
  set(keep FALSE)
endmacro()

foreach(line IN LISTS lines)
  math(EXPR line_number "${line_number} + 1")
  string(REPLACE "<semicolon>" ";" line "${line}")
  string(REPLACE "`" "" plain "${line}")
  if(line MATCHES "^## ([0-9]+\\.[0-9]+\\.[0-9]+) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")
    end_section()
    set(in_section TRUE)
    set(version ${CMAKE_MATCH_1})
    set(year ${CMAKE_MATCH_2})
    set(month_digits ${CMAKE_MATCH_3})
    set(day_digits ${CMAKE_MATCH_4})
    # Leading zeros would make math() read octal.
    string(REGEX REPLACE "^0" "" month "${month_digits}")
    string(REGEX REPLACE "^0" "" day "${day_digits}")
    if(version VERSION_GREATER VERSION)
      continue()
    endif()
    if(newest STREQUAL "")
      set(newest ${version})
    endif()
    set(keep TRUE)
    week_day(${year} ${month} ${day} week)
    math(EXPR month_index "${month} - 1")
    list(GET month_names ${month_index} month_name)
    set(section_date "${week}, ${day_digits} ${month_name} ${year} 00:00:00 +0000")
    string(APPEND debian "${PACKAGE} (${version}) unstable; urgency=medium\n\n")
    string(APPEND releases
      "    <release version=\"${version}\" date=\"${year}-${month_digits}-${day_digits}\">\n"
      "      <description>\n        <ul>\n")
  elseif(line MATCHES "^## ")
    message(FATAL_ERROR "${CHANGELOG}:${line_number}: a section heading reads \"## X.Y.Z (YYYY-MM-DD)\"")
  elseif(NOT in_section)
    continue()
  elseif(line MATCHES "^- ")
    end_item()
    string(SUBSTRING "${plain}" 2 -1 item)
    set(item_lines "  * ${item}\n")
  elseif(line MATCHES "^  [^ ]" AND NOT item STREQUAL "")
    string(SUBSTRING "${plain}" 2 -1 more)
    string(APPEND item " ${more}")
    string(APPEND item_lines "    ${more}\n")
  elseif(line STREQUAL "")
    end_item()
  else()
    message(FATAL_ERROR "${CHANGELOG}:${line_number}: expected a \"- \" item or its continuation "
                        "indented by two spaces")
  endif()
  string(LENGTH "    ${plain}" width)
  if(keep AND width GREATER widest_line)
    message(FATAL_ERROR "${CHANGELOG}:${line_number}: the line is too long for the Debian changelog")
  endif()
endforeach()
end_section()

if(NOT newest STREQUAL VERSION)
  message(FATAL_ERROR "${CHANGELOG} has no section for version ${VERSION}, the version being built")
endif()

# Debian's changelog separates its entries by one blank line.
string(REPLACE "+0000\n${PACKAGE} (" "+0000\n\n${PACKAGE} (" debian "${debian}")
file(WRITE "${DEBIAN_CHANGELOG}" "${debian}")

set(RELEASES "${releases}")
string(STRIP "${RELEASES}" RELEASES)
configure_file("${METAINFO_IN}" "${METAINFO}" @ONLY)
