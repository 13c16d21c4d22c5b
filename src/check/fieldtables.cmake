# The field facts of each format (mandatory, repeatable, required subfields, indicator values)
# are the tables in tables/*.tsv. They become C++ when CMake runs, so the programs read no file
# to know them; a malformed line stops the configuration with its line number. Included by
# this folder's CMakeLists.txt and by the fuzz project.

# bibliora_field_table(NAME TSV OUT): writes OUT, defining bibliora::check::tables::NAME as the
# rows of TSV.
function(bibliora_field_table name tsv out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${tsv})
  file(STRINGS ${tsv} lines ENCODING UTF-8)
  set(ind "^(-|(#|[0-9a-z](-[0-9a-z])?)+)$")
  set(codes "[a-z0-9](\\|[a-z0-9])*")
  set(rows "")
  set(tags "")
  set(n 0)
  foreach(line IN LISTS lines)
    math(EXPR n "${n} + 1")
    if(line MATCHES "^#" OR line STREQUAL "")
      continue()
    endif()
    set(bad "${tsv}:${n}: not a field rule (see the comment at the top): ${line}")
    if(line MATCHES "[][;\"\\]")
      message(FATAL_ERROR "${bad}")
    endif()
    string(REPLACE "\t" ";" cols "${line}")
    list(LENGTH cols count)
    if(NOT count EQUAL 7)
      message(FATAL_ERROR "${bad}")
    endif()
    list(GET cols 0 tag)
    list(GET cols 1 fieldname)
    list(GET cols 2 mandatory)
    list(GET cols 3 repeat)
    list(GET cols 4 subfields)
    list(GET cols 5 ind1)
    list(GET cols 6 ind2)
    if(NOT tag MATCHES "^[0-9X][0-9X][0-9X]$" OR fieldname STREQUAL ""
       OR NOT mandatory MATCHES "^(yes|no)$" OR NOT repeat MATCHES "^(R|NR)$"
       OR NOT subfields MATCHES "^(-|${codes}(,${codes})*)$"
       OR NOT ind1 MATCHES "${ind}" OR NOT ind2 MATCHES "${ind}")
      message(FATAL_ERROR "${bad}")
    endif()
    if(mandatory STREQUAL "yes")
      set(mandatory true)
    else()
      set(mandatory false)
    endif()
    if(repeat STREQUAL "R")
      set(repeatable true)
    else()
      set(repeatable false)
    endif()
    foreach(var subfields ind1 ind2)
      if("${${var}}" STREQUAL "-")
        set(${var} "")
      endif()
    endforeach()
    if(tag IN_LIST tags)
      message(FATAL_ERROR "${tsv}:${n}: ${tag} is listed twice")
    endif()
    list(APPEND tags ${tag})
    string(APPEND rows "    {\"${tag}\", \"${fieldname}\", ${mandatory}, ${repeatable}, \"${subfields}\", "
                       "\"${ind1}\", \"${ind2}\"},\n")
  endforeach()
  if(rows STREQUAL "")
    message(FATAL_ERROR "${tsv}: no field rule")
  endif()
  file(RELATIVE_PATH source ${PROJECT_SOURCE_DIR} ${tsv})
  file(WRITE ${out}.new
    "// Written by CMake from ${source}: edit that table, not this file.\n"
    "#include \"fieldtable.h\"\n\n"
    "namespace bibliora::check::tables {\n\n"
    "const FieldRuleRow ${name}[] = {\n${rows}};\n"
    "const std::size_t ${name}Count = sizeof ${name} / sizeof ${name}[0];\n\n"
    "} // namespace bibliora::check::tables\n")
  file(COPY_FILE ${out}.new ${out} ONLY_IF_DIFFERENT)
  file(REMOVE ${out}.new)
endfunction()

# bibliora_field_tables(OUT_VAR): both tables, written into the current binary folder; OUT_VAR
# receives the generated sources.
function(bibliora_field_tables out_var)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/generated)
  set(tables ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/tables)
  bibliora_field_table(kCnmarc ${tables}/cnmarc.tsv ${dir}/cnmarctable.cpp)
  bibliora_field_table(kMarc21 ${tables}/marc21.tsv ${dir}/marc21table.cpp)
  set(${out_var} ${dir}/cnmarctable.cpp ${dir}/marc21table.cpp PARENT_SCOPE)
endfunction()
