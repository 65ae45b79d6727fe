# The plug-in framework as the build uses it: a copy of the installed one in the
# build tree, with the faults of DPF 1.6 mended by the unified diffs in
# patches/dpf, applied in this order (each begins with a report of its fault). A patch that no longer
# applies (a newer framework) fails the configure with its name. Files that the
# patches touch are patched in a scratch copy and copied over only when they
# differ, so a configure that changes nothing recompiles nothing.

find_program(CORVEX_PATCH_PROGRAM patch REQUIRED)
set(CORVEX_DPF_PATCHES
    0001-vst3-side-chain-bus.patch
    0002-vst3-no-output-parameter-list.patch
    0003-clap-host-without-latency-extension.patch
    0004-vst3-parameter-points-at-their-offset.patch
    0005-clap-parameter-events-at-their-time.patch
    0006-state-streams-in-pieces.patch
    0007-clap-factory-ids-and-descriptor.patch
    0008-value-texts-and-gain-reduction.patch
    0009-lv2-inline-display.patch
    0010-state-checked-before-applied.patch
    0011-enable-switch-as-host-bypass.patch
    0012-lv2-turtle-in-cross-builds.patch)

function(corvex_dpf_mended_copy SOURCE_DIR COPY_DIR RESULT_VARIABLE)
    list(TRANSFORM CORVEX_DPF_PATCHES PREPEND ${PROJECT_SOURCE_DIR}/patches/dpf/ OUTPUT_VARIABLE patches)
    # A changed patch configures again.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${patches})

    # The files the patches touch, from their "+++ b/FILE" lines.
    set(patched_files)
    foreach(patch IN LISTS patches)
        file(STRINGS ${patch} targets REGEX "^\\+\\+\\+ b/")
        foreach(target IN LISTS targets)
            string(REGEX REPLACE "^\\+\\+\\+ b/([^\t ]+).*" "\\1" target "${target}")
            list(APPEND patched_files ${target})
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES patched_files)

    # Everything else is copied as it is (file(COPY) skips files already there).
    set(exclusions)
    foreach(file IN LISTS patched_files)
        get_filename_component(name ${file} NAME)
        list(APPEND exclusions PATTERN ${name} EXCLUDE)
    endforeach()
    file(COPY ${SOURCE_DIR}/ DESTINATION ${COPY_DIR} ${exclusions})

    set(scratch ${CMAKE_BINARY_DIR}/dpf-patching)
    file(REMOVE_RECURSE ${scratch})
    foreach(file IN LISTS patched_files)
        get_filename_component(directory ${scratch}/${file} DIRECTORY)
        file(MAKE_DIRECTORY ${directory})
        file(COPY_FILE ${SOURCE_DIR}/${file} ${scratch}/${file})
    endforeach()
    foreach(patch IN LISTS patches)
        get_filename_component(patch_name ${patch} NAME)
        execute_process(
            COMMAND ${CORVEX_PATCH_PROGRAM} -p1 --batch --forward --no-backup-if-mismatch --reject-file=- -i ${patch}
            WORKING_DIRECTORY ${scratch}
            RESULT_VARIABLE result
            OUTPUT_VARIABLE output
            ERROR_VARIABLE output)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "The framework in ${SOURCE_DIR} does not take patches/dpf/${patch_name}; "
                                "mend the patch for this version of DPF:\n${output}")
        endif()
    endforeach()
    foreach(file IN LISTS patched_files)
        file(COPY_FILE ${scratch}/${file} ${COPY_DIR}/${file} ONLY_IF_DIFFERENT)
    endforeach()
    file(REMOVE_RECURSE ${scratch})
    set(${RESULT_VARIABLE} ${COPY_DIR} PARENT_SCOPE)
endfunction()
