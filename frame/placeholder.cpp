int qvx_placeholder;
