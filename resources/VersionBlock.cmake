# Encoding of VS_VERSIONINFO nodes as lists of byte values (decimal, 0-255).
# A node is wLength, wValueLength and wType (16-bit little-endian each), its key
# in UTF-16LE with a terminating null, then its value and its children, each of
# them starting on a 32-bit boundary. wLength counts the node without the padding
# that follows it. Keys and text values are ASCII.

# Appends `value` as `count` little-endian bytes to the list named `out`.
function(tw_append_le out value count)
  set(bytes ${${out}})
  set(rest ${value})
  foreach(i RANGE 1 ${count})
    math(EXPR byte "${rest} & 255")
    math(EXPR rest "${rest} >> 8")
    list(APPEND bytes ${byte})
  endforeach()
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

# Appends `text` as UTF-16LE with a terminating null.
function(tw_append_utf16z out text)
  string(REGEX MATCH "[^ -~]" other "${text}")
  if(NOT other STREQUAL "")
    message(FATAL_ERROR "Version resource text must be printable ASCII: '${text}'")
  endif()
  set(bytes ${${out}})
  string(HEX "${text}" hex)
  string(LENGTH "${hex}" digits)
  set(pos 0)
  while(pos LESS digits)
    string(SUBSTRING "${hex}" ${pos} 2 pair)
    math(EXPR byte "0x${pair}")
    list(APPEND bytes ${byte} 0)
    math(EXPR pos "${pos} + 2")
  endwhile()
  list(APPEND bytes 0 0)
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

# Pads the list named `out` with zero bytes to a multiple of four.
function(tw_pad4 out)
  set(bytes ${${out}})
  list(LENGTH bytes size)
  math(EXPR missing "(4 - ${size} % 4) % 4")
  if(missing GREATER 0)
    foreach(i RANGE 1 ${missing})
      list(APPEND bytes 0)
    endforeach()
  endif()
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

# Builds a node into `out`. type: 0 binary, 1 text. value_bytes: the value's bytes
# (a list, may be empty). value_length: wValueLength (bytes for binary, UTF-16
# units for text). children: the names of list variables holding finished nodes.
function(tw_node out key type value_length value_bytes)
  set(body "")
  tw_append_utf16z(body "${key}")
  # The six header bytes come first: pad as if they were there.
  list(PREPEND body 0 0 0 0 0 0)
  if(NOT "${value_bytes}" STREQUAL "")
    tw_pad4(body)
    list(APPEND body ${value_bytes})
  endif()
  foreach(child IN LISTS ARGN)
    tw_pad4(body)
    list(APPEND body ${${child}})
  endforeach()
  list(LENGTH body size)
  if(size GREATER 65535)
    message(FATAL_ERROR "Version resource node '${key}' is too long")
  endif()
  list(SUBLIST body 6 -1 body)
  set(node "")
  tw_append_le(node ${size} 2)
  tw_append_le(node ${value_length} 2)
  tw_append_le(node ${type} 2)
  list(APPEND node ${body})
  set(${out} ${node} PARENT_SCOPE)
endfunction()

# A String node: key and text value (stored with its null).
function(tw_string_node out key text)
  set(value "")
  tw_append_utf16z(value "${text}")
  string(LENGTH "${text}" units)
  math(EXPR units "${units} + 1")
  tw_node(node "${key}" 1 ${units} "${value}")
  set(${out} ${node} PARENT_SCOPE)
endfunction()

# The four parts of "a.b.c.d" (missing ones are 0) as a list, into `out`.
function(tw_version_parts version out)
  string(REPLACE "." ";" parts "${version}")
  list(LENGTH parts count)
  while(count LESS 4)
    list(APPEND parts 0)
    math(EXPR count "${count} + 1")
  endwhile()
  if(count GREATER 4)
    message(FATAL_ERROR "Version '${version}' has more than four parts")
  endif()
  foreach(part IN LISTS parts)
    if(NOT part MATCHES "^[0-9]+$" OR part GREATER 65535)
      message(FATAL_ERROR "Version '${version}' has a part that is not a 16-bit number")
    endif()
  endforeach()
  set(${out} ${parts} PARENT_SCOPE)
endfunction()

# The two 32-bit halves of a version, as the fixed file information holds them.
function(tw_version_halves version out_ms out_ls)
  tw_version_parts("${version}" parts)
  list(GET parts 0 v1)
  list(GET parts 1 v2)
  list(GET parts 2 v3)
  list(GET parts 3 v4)
  math(EXPR ms "(${v1} << 16) | ${v2}")
  math(EXPR ls "(${v3} << 16) | ${v4}")
  set(${out_ms} ${ms} PARENT_SCOPE)
  set(${out_ls} ${ls} PARENT_SCOPE)
endfunction()

# The string table's key: language and code page as eight upper-case hex digits.
function(tw_table_key language code_page out)
  math(EXPR key "(${language} << 16) | ${code_page}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${key}" 2 -1 key)
  string(TOUPPER "${key}" key)
  string(LENGTH "${key}" digits)
  math(EXPR zeros "8 - ${digits}")
  string(REPEAT "0" ${zeros} leading)
  set(${out} "${leading}${key}" PARENT_SCOPE)
endfunction()

# The whole VS_VERSIONINFO block as a list of bytes, into `out`. Arguments by name:
# FILE_VERSION, PRODUCT_VERSION, FILE_FLAGS_MASK, FILE_FLAGS, FILE_OS, FILE_TYPE,
# FILE_SUBTYPE, LANGUAGE, CODE_PAGE, and STRINGS: a list of name=value pairs.
function(tw_version_block out)
  cmake_parse_arguments(PARSE_ARGV 1 V ""
    "FILE_VERSION;PRODUCT_VERSION;FILE_FLAGS_MASK;FILE_FLAGS;FILE_OS;FILE_TYPE;FILE_SUBTYPE;LANGUAGE;CODE_PAGE"
    "STRINGS")
  tw_version_halves("${V_FILE_VERSION}" file_ms file_ls)
  tw_version_halves("${V_PRODUCT_VERSION}" product_ms product_ls)

  set(fixed "")
  foreach(field 0xFEEF04BD 0x00010000 ${file_ms} ${file_ls} ${product_ms} ${product_ls}
                ${V_FILE_FLAGS_MASK} ${V_FILE_FLAGS} ${V_FILE_OS} ${V_FILE_TYPE} ${V_FILE_SUBTYPE} 0 0)
    tw_append_le(fixed ${field} 4)
  endforeach()

  set(strings "")
  set(index 0)
  foreach(pair IN LISTS V_STRINGS)
    string(FIND "${pair}" "=" at)
    string(SUBSTRING "${pair}" 0 ${at} name)
    math(EXPR after "${at} + 1")
    string(SUBSTRING "${pair}" ${after} -1 text)
    tw_string_node(string_${index} "${name}" "${text}")
    list(APPEND strings string_${index})
    math(EXPR index "${index} + 1")
  endforeach()
  tw_table_key(${V_LANGUAGE} ${V_CODE_PAGE} table_key)
  tw_node(table "${table_key}" 1 0 "" ${strings})
  tw_node(string_file_info "StringFileInfo" 1 0 "" table)

  set(translation "")
  tw_append_le(translation ${V_LANGUAGE} 2)
  tw_append_le(translation ${V_CODE_PAGE} 2)
  tw_node(translation_node "Translation" 0 4 "${translation}")
  tw_node(var_file_info "VarFileInfo" 1 0 "" translation_node)

  tw_node(root "VS_VERSION_INFO" 0 52 "${fixed}" string_file_info var_file_info)
  set(${out} ${root} PARENT_SCOPE)
endfunction()
