# The program's version resource. The file version is the project version; the
# other values are set here. From them come the bytes that each executable embeds
# (in the ".tarnwick_version" ELF section) and a resource script for a Windows build,
# which also carries the program's icon.
include(${CMAKE_CURRENT_LIST_DIR}/VersionBlock.cmake)

set(TARNWICK_PRODUCT_VERSION "1.0.0.0")
set(TARNWICK_FILE_FLAGS_MASK 63)  # every defined flag
set(TARNWICK_FILE_FLAGS 0)
set(TARNWICK_FILE_OS 4)           # 32-bit Windows
set(TARNWICK_FILE_TYPE 1)         # application
set(TARNWICK_FILE_SUBTYPE 0)
set(TARNWICK_LANGUAGE 0x0409)     # English (United States)
set(TARNWICK_CODE_PAGE 1252)
set(TARNWICK_VERSION_STRINGS
  "FileVersion=${PROJECT_VERSION}"
  "ProductVersion=${TARNWICK_PRODUCT_VERSION}")

tw_version_block(tarnwick_version_bytes
  FILE_VERSION ${PROJECT_VERSION}
  PRODUCT_VERSION ${TARNWICK_PRODUCT_VERSION}
  FILE_FLAGS_MASK ${TARNWICK_FILE_FLAGS_MASK}
  FILE_FLAGS ${TARNWICK_FILE_FLAGS}
  FILE_OS ${TARNWICK_FILE_OS}
  FILE_TYPE ${TARNWICK_FILE_TYPE}
  FILE_SUBTYPE ${TARNWICK_FILE_SUBTYPE}
  LANGUAGE ${TARNWICK_LANGUAGE}
  CODE_PAGE ${TARNWICK_CODE_PAGE}
  STRINGS ${TARNWICK_VERSION_STRINGS})

# The bytes as a C initialiser, twelve to a line.
set(TARNWICK_VERSION_BYTES "")
set(tw_column 0)
foreach(tw_byte IN LISTS tarnwick_version_bytes)
  math(EXPR tw_hex "${tw_byte}" OUTPUT_FORMAT HEXADECIMAL)
  if(tw_column EQUAL 0)
    string(APPEND TARNWICK_VERSION_BYTES "   ")
  endif()
  string(APPEND TARNWICK_VERSION_BYTES " ${tw_hex},")
  math(EXPR tw_column "(${tw_column} + 1) % 12")
  if(tw_column EQUAL 0)
    string(APPEND TARNWICK_VERSION_BYTES "\n")
  endif()
endforeach()

# The same values in resource-script form.
tw_version_parts(${PROJECT_VERSION} tw_parts)
string(REPLACE ";" "," TARNWICK_RC_FILE_VERSION "${tw_parts}")
tw_version_parts(${TARNWICK_PRODUCT_VERSION} tw_parts)
string(REPLACE ";" "," TARNWICK_RC_PRODUCT_VERSION "${tw_parts}")
tw_table_key(${TARNWICK_LANGUAGE} ${TARNWICK_CODE_PAGE} TARNWICK_RC_STRING_TABLE)
set(TARNWICK_RC_STRING_VALUES "")
foreach(tw_pair IN LISTS TARNWICK_VERSION_STRINGS)
  string(FIND "${tw_pair}" "=" tw_at)
  string(SUBSTRING "${tw_pair}" 0 ${tw_at} tw_name)
  math(EXPR tw_at "${tw_at} + 1")
  string(SUBSTRING "${tw_pair}" ${tw_at} -1 tw_text)
  string(APPEND TARNWICK_RC_STRING_VALUES "      VALUE \"${tw_name}\", \"${tw_text}\"\n")
endforeach()

# The Windows resource script carries the program's icon beside the version block.
set(TARNWICK_RC_ICON ${CMAKE_CURRENT_LIST_DIR}/icons/tarnwick.ico)

set(TARNWICK_VERSION_GENERATED_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(TARNWICK_VERSION_SOURCE ${TARNWICK_VERSION_GENERATED_DIR}/TarnwickVersionResource.cpp)
set(TARNWICK_VERSION_RC ${TARNWICK_VERSION_GENERATED_DIR}/version.rc)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionResource.cpp.in ${TARNWICK_VERSION_SOURCE} @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.rc.in ${TARNWICK_VERSION_RC} @ONLY)
# The same bytes for tests that hold a compiled resource against them.
configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionBytes.h.in
               ${TARNWICK_VERSION_GENERATED_DIR}/TarnwickVersionBytes.h @ONLY)

# Embeds the version resource in an executable target. Added to the target's own
# sources, so no static library can leave it out at link time. The target can
# include "TarnwickVersionBytes.h" for the expected block.
function(tarnwick_embed_version target)
  target_include_directories(${target} PRIVATE ${TARNWICK_VERSION_GENERATED_DIR})
  if(WIN32)
    target_sources(${target} PRIVATE ${TARNWICK_VERSION_RC})
  else()
    target_sources(${target} PRIVATE ${TARNWICK_VERSION_SOURCE})
  endif()
endfunction()
