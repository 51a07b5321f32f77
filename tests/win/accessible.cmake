# The accessibility test reads the built installer's window through OLEACC.
target_link_libraries(${TEST_TARGET} PRIVATE oleacc oleaut32)
