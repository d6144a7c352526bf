# The resources QuietSpin ships with, read in-process through the shipped LoadText.
qs_wine_test(resources_wine_tests ${CMAKE_CURRENT_LIST_DIR}/resources_test.cpp)
target_link_libraries(resources_wine_tests PRIVATE qs_resources qs_app qs_warnings)

# The language choice follows the system locale, which Wine takes from LC_ALL at start-up.
foreach(case IN ITEMS "zh_TW.UTF-8=1028" "zh_CN.UTF-8=2052" "zh_HK.UTF-8=1033" "en_US.UTF-8=1033")
  string(REPLACE "=" ";" parts "${case}")
  list(GET parts 0 locale)
  list(GET parts 1 expected)
  add_test(NAME resources_wine_tests_${locale} COMMAND resources_wine_tests --gtest_filter=ChooseLanguage.*)
  set_tests_properties(resources_wine_tests_${locale} PROPERTIES LABELS wine
    ENVIRONMENT "LC_ALL=${locale};QS_EXPECT_LANGUAGE=${expected}")
endforeach()
