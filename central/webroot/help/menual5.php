<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>도움말 5 - 전송</title></head>
<body>
<h1>도움말 5 - 전송</h1>
<p>다운로드와 업로드는 이어받기를 지원합니다. 10MB 이상의 파일은 1MB마다 8포인트가 듭니다.</p>
</body>
</html>
