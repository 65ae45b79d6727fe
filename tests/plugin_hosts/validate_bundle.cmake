# Runs sord_validate over the bundle's Turtle files together with the LV2 schema
# bundles found in SCHEMA_DIR, and fails on any error or warning. Only the schema
# bundles that the LV2 package itself installs are read: the folder is shared
# with every other plug-in on the machine, whose files are not ours to judge.
#   cmake -DSORD_VALIDATE=... -DSCHEMA_DIR=... -DBUNDLE_DIR=... [-DFOREIGN_DIR=...] -P validate_bundle.cmake
# With FOREIGN_DIR, the schema bundles of SCHEMA_DIR are first linked into that
# folder beside a foreign bundle with an undefined term, which the validation
# must ignore.
set(schema_bundles atom buf-size core data-access dynmanifest event instance-access log midi morph options
    parameters patch port-groups port-props presets resize-port schemas state time ui units uri-map urid worker)

if(FOREIGN_DIR)
    file(REMOVE_RECURSE ${FOREIGN_DIR})
    file(MAKE_DIRECTORY ${FOREIGN_DIR})
    foreach(bundle IN LISTS schema_bundles)
        if(EXISTS ${SCHEMA_DIR}/${bundle}.lv2)
            file(CREATE_LINK ${SCHEMA_DIR}/${bundle}.lv2 ${FOREIGN_DIR}/${bundle}.lv2 SYMBOLIC)
        endif()
    endforeach()
    file(WRITE ${FOREIGN_DIR}/foreign.lv2/foreign.ttl
        "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n<urn:foreign:plugin> a lv2:Plugin ; lv2:noSuchTerm 1 .\n")
    set(SCHEMA_DIR ${FOREIGN_DIR})
endif()

set(schemas "")
foreach(bundle IN LISTS schema_bundles)
    file(GLOB files ${SCHEMA_DIR}/${bundle}.lv2/*.ttl)
    list(APPEND schemas ${files})
endforeach()
if(NOT schemas)
    message(FATAL_ERROR "no LV2 schema bundles in ${SCHEMA_DIR}")
endif()

file(GLOB bundle_files ${BUNDLE_DIR}/*.ttl)
execute_process(COMMAND ${SORD_VALIDATE} ${schemas} ${bundle_files}
    OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
message("${output}")
# The plug-in framework also writes two vocabularies of its own that no LV2
# schema defines (a device maker's brand and label, a program interface), and
# the plug-in offers Ardour's inline display; their terms are the only findings
# accepted.
set(accepted "moddevices.com/ns/mod#(brand|label)|kxstudio.sf.net/ns/lv2ext/programs#(UI)?Interface|harrisonconsoles.com/lv2/inlinedisplay#(interface|queue_draw)")
string(REPLACE ";" "," output "${output}")
string(REGEX REPLACE "(error|warning):" ";\\1:" findings "${output}")
set(problems 0)
foreach(finding IN LISTS findings)
    if(finding MATCHES "^(error|warning):" AND NOT finding MATCHES "${accepted}")
        math(EXPR problems "${problems} + 1")
    endif()
endforeach()
if(problems GREATER 0)
    message(FATAL_ERROR "sord_validate found ${problems} problems besides the framework's own vocabularies")
endif()

# Every binary the manifest names is in the bundle (the Windows bundles' too).
file(STRINGS ${BUNDLE_DIR}/manifest.ttl binaries REGEX "binary <[^>]+>")
if(NOT binaries)
    message(FATAL_ERROR "the manifest names no binary")
endif()
foreach(line IN LISTS binaries)
    string(REGEX REPLACE ".*binary <([^>]+)>.*" "\\1" binary "${line}")
    if(NOT EXISTS ${BUNDLE_DIR}/${binary})
        message(FATAL_ERROR "the manifest names ${binary}, which is not in the bundle")
    endif()
endforeach()
