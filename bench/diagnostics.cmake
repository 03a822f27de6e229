if(TARGET talvo::diagnostics)
  talvo_bench(diagnostics talvo::diagnostics)
endif()
