<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>도움말 7 - 포트와 방화벽</title></head>
<body>
<h1>도움말 7 - 포트와 방화벽</h1>
<p>다른 회원이 내 서버에 들어오려면 서버 포트가 밖에서 열려 있어야 합니다. 공유기나 방화벽의 설정을 확인하세요.</p>
</body>
</html>
