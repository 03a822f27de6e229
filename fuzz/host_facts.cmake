if(TARGET talvo::diagnostics)
  talvo_fuzz(host_facts talvo::diagnostics)
endif()
