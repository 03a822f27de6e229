if(TARGET talvo::state)
  talvo_fuzz(ccmap talvo::ccmap talvo::state)
endif()
