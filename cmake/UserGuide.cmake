# The user guide as a web page, which every desktop can show: user-guide.html, made from
# docs/user-guide.md with pandoc and placed beside the programs, where the pictures it shows
# already lie. Without pandoc the build goes on without it, and "Online documentation" then
# opens the online manual. ZR7_USER_GUIDE_HTML names the page, empty when it is not built.
find_program(ZR7_PANDOC pandoc)
if(ZR7_PANDOC)
    set(ZR7_USER_GUIDE_HTML ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/user-guide.html)
    add_custom_command(
        OUTPUT ${ZR7_USER_GUIDE_HTML}
        COMMAND ${ZR7_PANDOC} --from=gfm --to=html5 --standalone
                "--metadata=pagetitle:Revarodevaza ZR7: user guide"
                --output=${ZR7_USER_GUIDE_HTML} ${CMAKE_SOURCE_DIR}/docs/user-guide.md
        COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/docs/images
                ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/images
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/user-guide.md
        COMMENT "Making the user guide's web page"
        VERBATIM)
    add_custom_target(user-guide ALL DEPENDS ${ZR7_USER_GUIDE_HTML})
else()
    set(ZR7_USER_GUIDE_HTML "")
    message(WARNING "pandoc not found: building without the user guide's web page "
                    "(user-guide.html); \"Online documentation\" will open the online manual.")
endif()

# The examples of the README and of the guide, run as a reader would type them.
if(BUILD_TESTING)
    add_test(NAME doc_examples
             COMMAND ${CMAKE_SOURCE_DIR}/tools/check-doc-examples.sh ${CMAKE_BINARY_DIR}
                     ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/user-guide.md)
    set_tests_properties(doc_examples PROPERTIES LABELS docs
                         ENVIRONMENT "${ZR7_SANITIZER_ENVIRONMENT}")
endif()
