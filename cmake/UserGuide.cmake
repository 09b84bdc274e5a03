# The user guide as a web page, which every desktop can show: user-guide.html, made from
# docs/user-guide.md with pandoc and placed beside the programs, where the pictures it shows
# already lie, and file-format.html, the page the guide links to. Both have a table of contents,
# their first heading as the title, and what docs/web adds: the style, inline code that breaks
# only between words, and links between the pages. Without pandoc the build goes on without
# them, and "Online documentation" then opens the online manual. ZR7_WEB_PAGES names the pages,
# empty when they are not built.
find_program(ZR7_PANDOC pandoc)
if(ZR7_PANDOC)
    set(web ${CMAKE_SOURCE_DIR}/docs/web)
    set(ZR7_WEB_PAGES)
    foreach(document user-guide file-format)
        set(page ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${document}.html)
        add_custom_command(
            OUTPUT ${page}
            COMMAND ${ZR7_PANDOC} --from=gfm --to=html5 --standalone --toc --toc-depth=2
                    --shift-heading-level-by=-1 --metadata=lang:en
                    --include-in-header=${web}/style.html --lua-filter=${web}/page.lua
                    --output=${page} ${CMAKE_SOURCE_DIR}/docs/${document}.md
            DEPENDS ${CMAKE_SOURCE_DIR}/docs/${document}.md ${web}/style.html ${web}/page.lua
            COMMENT "Making the web page ${document}.html"
            VERBATIM)
        list(APPEND ZR7_WEB_PAGES ${page})
    endforeach()
    add_custom_target(user-guide ALL DEPENDS ${ZR7_WEB_PAGES})
else()
    set(ZR7_WEB_PAGES "")
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
